#pragma once

#include "firmware/FirmwareMessage.h"
#include "firmware/FirmwareVersion.h"

#include <QString>
#include <QStringList>

#include <array>
#include <vector>

class QIODevice;

// The part of an Intel HEX firmware file that the upgrade uses: its first 184 lines, all of
// them checked, the 178 blocks of 64 bytes in lines 2 to 179 (line n holds address 64 * n)
// and the version block (major, minor, 0x00, 0xA5) at 0x2CC4, in line 179. Line numbers
// count from 0. A file that does not pass is refused before anything is sent to a bridge.
class FirmwareImage
{
public:
    static constexpr int CheckedLines = 184;
    static constexpr int FirstBlock = 2;
    static constexpr int LastBlock = 179;
    static constexpr int BlockSize = 64;
    static constexpr int VersionLine = 179;
    static constexpr quint16 VersionLineAddress = 0x2CC0;
    // A data line holds 64 data bytes: its last pair ends at this character (1-based).
    static constexpr qsizetype MinimumDataLineLength = 10 + 2 * (BlockSize - 1) + 1;

    using Block = std::array<quint8, BlockSize>;

    enum class Status {
        Ok,
        Unreadable,     // the file cannot be opened or a read failed
        BadLine,        // a checked line fails its check or cannot be a record
        BadVersionLine, // line 179 has another address or lacks the 00 A5 marker
    };

    // Reads and checks the file; the result tells what was wrong, if anything.
    static FirmwareImage readFile(const QString& path);
    static FirmwareImage read(QIODevice& device);
    // The same checks on lines already read; missing lines count as empty.
    static FirmwareImage fromLines(const QStringList& lines);

    Status status() const { return m_status; }
    bool isValid() const { return m_status == Status::Ok; }

    // The box that refuses the file: "File is corrupt" / "Error", "Wrong HEX file!" /
    // "Checksum Error" for a bad line, "Wrong HEX file!" / "Error" for the version line.
    FirmwareMessage refusal() const;
    // Which line was refused (from 0), -1 when none; and why, in words, for a terminal, where
    // lines are numbered from 1 as an editor shows them.
    int faultLine() const { return m_faultLine; }
    QString faultReason() const { return m_faultReason; }

    // Valid only for a valid image.
    FirmwareVersion version() const { return m_version; }
    // "Firmware v.2.6", the version as the upgrade dialog shows it.
    QString versionText() const { return QStringLiteral("Firmware v.") + m_version.text(); }
    // Block n (FirstBlock..LastBlock): data bytes 0..63 of line n.
    const Block& block(int n) const
    {
        Q_ASSERT(isValid() && n >= FirstBlock && n <= LastBlock);
        return m_blocks[static_cast<size_t>(n - FirstBlock)];
    }

private:
    FirmwareImage() = default;

    // Checks one line as soon as it is read; sets the fault and returns false when it fails.
    bool acceptLine(int index, const QString& line);
    void finish();
    void refuse(Status status, int line, const QString& reason);

    Status m_status = Status::Ok;
    int m_faultLine = -1;
    QString m_faultReason;
    FirmwareVersion m_version;
    std::vector<Block> m_blocks;
    QString m_versionLine;
};

// The line check of a HEX record (the character after the colon onward): the negated 8-bit
// sum of the byte pairs before the last whole pair must equal that pair. Returns true when
// the line is bad, also when a pair it looks at is missing or is not two hex digits.
bool CheckHexLine(const QString& line);
