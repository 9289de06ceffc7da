#include "firmware/FirmwareImageWriter.h"

#include "base/ReplaceFile.h"

#include <algorithm>

namespace {

constexpr int RecordSize = 64;

// A well-mixed byte for each address, so that a block sent to the wrong place or read back
// from one is told apart from the right one.
quint8 payloadByte(quint32 seed, quint32 address)
{
    quint32 x = address * 0x9E3779B1u + seed * 0x85EBCA77u;
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    x *= 0x297A2D39u;
    x ^= x >> 15;
    return static_cast<quint8>(x);
}

void appendHex(QString& text, quint8 byte)
{
    static const char Digits[] = "0123456789ABCDEF";
    text += QLatin1Char(Digits[byte >> 4]);
    text += QLatin1Char(Digits[byte & 0x0F]);
}

// ":" count, address, type, data, checksum; flipChecksum spoils the checksum.
QString record(quint16 address, quint8 type, const char* data, int count, bool flipChecksum)
{
    QString text;
    text.reserve(11 + 2 * count);
    text += u':';
    quint8 sum = 0;
    auto put = [&](quint8 byte) {
        appendHex(text, byte);
        sum = static_cast<quint8>(sum + byte);
    };
    put(static_cast<quint8>(count));
    put(static_cast<quint8>(address >> 8));
    put(static_cast<quint8>(address));
    put(type);
    for (int i = 0; i < count; ++i)
        put(static_cast<quint8>(data[i]));
    quint8 checksum = static_cast<quint8>(-sum);
    if (flipChecksum)
        checksum ^= 0x01;
    appendHex(text, checksum);
    return text;
}

} // namespace

void FirmwareImageWriter::setDataLines(int count)
{
    m_dataLines = std::clamp(count, 1, MaximumDataLines);
}

void FirmwareImageWriter::setVersionMarker(quint8 zero, quint8 marker)
{
    m_versionZero = zero;
    m_versionMarker = marker;
}

QByteArray FirmwareImageWriter::imageBytes() const
{
    QByteArray bytes(m_dataLines * RecordSize, Qt::Uninitialized);
    for (qsizetype a = 0; a < bytes.size(); ++a)
        bytes[a] = static_cast<char>(payloadByte(m_seed, static_cast<quint32>(a)));
    const qsizetype v = VersionBlockAddress;
    if (v + 4 <= bytes.size()) {
        bytes[v] = static_cast<char>(m_version.major);
        bytes[v + 1] = static_cast<char>(m_version.minor);
        bytes[v + 2] = static_cast<char>(m_versionZero);
        bytes[v + 3] = static_cast<char>(m_versionMarker);
    }
    return bytes;
}

QStringList FirmwareImageWriter::lines() const
{
    const QByteArray bytes = imageBytes();
    const int versionLine = VersionBlockAddress / RecordSize;
    QStringList result;
    result.reserve(m_dataLines + 1);
    for (int n = 0; n < m_dataLines; ++n) {
        const quint16 address =
            n == versionLine ? m_versionLineAddress : static_cast<quint16>(n * RecordSize);
        result.append(record(address, 0x00, bytes.constData() + n * RecordSize, RecordSize,
                             n == m_badChecksumLine));
    }
    result.append(record(0x0000, 0x01, nullptr, 0, m_dataLines == m_badChecksumLine));
    return result;
}

QByteArray FirmwareImageWriter::hexText() const
{
    QByteArray text;
    const QStringList records = lines();
    text.reserve(records.size() * (11 + 2 * RecordSize + 2));
    for (const QString& r : records) {
        text += r.toLatin1();
        text += "\r\n";
    }
    return text;
}

bool FirmwareImageWriter::writeFile(const QString& path, QString& error) const
{
    return replaceFile(path, hexText(), &error);
}
