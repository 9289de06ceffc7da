#include "script/BurstReadBack.h"

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

bool BurstReadBack::read(QIODevice& in, qint64 records, QByteArray& bytes)
{
    const int recordBytes = m_recordBytes;
    bytes.resize(records * recordBytes);
    const qint64 perChunk = std::max<qint64>(1, ReadChunkBytes / recordBytes);
    m_records = 0;
    bool complete = true;
    while (m_records < records) {
        char* chunk = bytes.data() + m_records * recordBytes;
        const qint64 want = std::min(perChunk, records - m_records) * recordBytes;
        const qint64 got = std::max<qint64>(0, in.read(chunk, want));
        const auto* p = reinterpret_cast<const quint8*>(chunk);
        for (qint64 k = 0; k < got / recordBytes; ++k, p += recordBytes) {
            m_capture.ClearPresent();
            for (const auto& [r, slot] : m_mapped)
                m_capture.PutByte(slot, p[r]);
            m_capture.DecodeBurstRecord();
        }
        m_records += got / recordBytes;
        if (got != want) {
            complete = false;
            break;
        }
    }
    bytes.truncate(m_records * recordBytes);
    return complete;
}
