#pragma once

#include "firmware/FirmwareVersion.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Makes Intel HEX firmware images of any version for tests and users: 64-byte data records
// from address 0 upward (line n holds address 64 * n) with a deterministic payload, the
// version block (major, minor, 0x00, 0xA5) at 0x2CC4, and an end-of-file record. Faults can
// be put in on purpose to make images the upgrade must refuse.
class FirmwareImageWriter
{
public:
    static constexpr int DefaultDataLines = 184;
    // Record addresses are 16 bits wide, so the image ends at 64 KiB.
    static constexpr int MaximumDataLines = 0x10000 / 64;
    static constexpr quint16 VersionBlockAddress = 0x2CC4;

    explicit FirmwareImageWriter(FirmwareVersion version) : m_version(version) {}

    // The number of data records, 1 to MaximumDataLines (clamped). With fewer than 183 the
    // 184 lines the upgrade reads (the end record among them) are not all there, and with
    // fewer than 180 the version block is missing.
    void setDataLines(int count);
    int dataLines() const { return m_dataLines; }
    // Images made with different seeds have different payloads.
    void setSeed(quint32 seed) { m_seed = seed; }

    // Faults. Line numbers count from 0; the end-of-file record is line dataLines().
    void setBadChecksumLine(int line) { m_badChecksumLine = line; }
    // The address written into the record that should hold 0x2CC0 (the version line).
    void setVersionLineAddress(quint16 address) { m_versionLineAddress = address; }
    // The two bytes after major and minor in the version block, 0x00 and 0xA5 when valid.
    void setVersionMarker(quint8 zero, quint8 marker);

    // The data bytes of the image in address order, 64 per data record.
    QByteArray imageBytes() const;
    // Every record, without line ends.
    QStringList lines() const;
    // The file's text: every record ended by CR LF.
    QByteArray hexText() const;
    // Writes the file through a temporary file renamed over the target; on failure returns
    // false with the reason in error.
    bool writeFile(const QString& path, QString& error) const;

private:
    FirmwareVersion m_version;
    int m_dataLines = DefaultDataLines;
    quint32 m_seed = 1;
    int m_badChecksumLine = -1;
    quint16 m_versionLineAddress = VersionBlockAddress & ~0x3F;
    quint8 m_versionZero = 0x00;
    quint8 m_versionMarker = 0xA5;
};
