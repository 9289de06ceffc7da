#include "script/BurstReadBack.h"

#include "base/HexText.h"
#include "data/CaptureState.h"

#include <QIODevice>

#include <algorithm>

namespace {
// Bytes read from the capture file at a time.
constexpr qint64 ReadChunkBytes = 1 << 16;
} // namespace

BurstReadBack::BurstReadBack(CaptureState& capture, const TIIC_Packet& request, int dataCount)
    : m_capture(capture), m_recordBytes(dataCount + 1)
{
    for (int r = 1; r <= std::min(dataCount, MaxSlots); ++r)
        if (request.IsVariable[size_t(r)])
            m_mapped.emplace_back(r, request.VariableRef[size_t(r)]);
}

bool BurstReadBack::read(QIODevice& in, qint64 records, QStringList& lines)
{
    const std::array<QString, 256>& hex = HexText();
    const int recordBytes = m_recordBytes;
    lines.reserve(lines.size() + records);
    const qint64 perChunk = std::max<qint64>(1, ReadChunkBytes / recordBytes);
    QByteArray chunk;
    m_records = 0;
    while (m_records < records) {
        chunk.resize(std::min(perChunk, records - m_records) * recordBytes);
        const qint64 got = std::max<qint64>(0, in.read(chunk.data(), chunk.size()));
        const auto* p = reinterpret_cast<const quint8*>(chunk.constData());
        for (qint64 k = 0; k < got / recordBytes; ++k, p += recordBytes) {
            QString line;
            line.reserve(3 * recordBytes);
            for (int b = 0; b < recordBytes; ++b)
                line.append(hex[p[b]]);
            lines.append(std::move(line));
            m_capture.ClearPresent();
            for (const auto& [r, slot] : m_mapped)
                m_capture.PutByte(slot, p[r]);
            m_capture.DecodeBurstRecord();
        }
        m_records += got / recordBytes;
        if (got != chunk.size())
            return false;
    }
    return true;
}
