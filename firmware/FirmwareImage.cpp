#include "firmware/FirmwareImage.h"

#include "firmware/TextLineReader.h"

#include <QFile>

namespace {

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// The byte given by the two hex digits at index (0-based), or -1 when they are missing or
// not hex digits.
int hexPair(const QString& line, qsizetype index)
{
    if (index < 0 || index + 1 >= line.size())
        return -1;
    const int high = hexDigit(line[index]);
    const int low = hexDigit(line[index + 1]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Data byte i of a record starts at character 10 + 2i (1-based).
int dataByte(const QString& line, int i)
{
    return hexPair(line, 9 + 2 * i);
}

} // namespace

bool CheckHexLine(const QString& line)
{
    const qsizetype length = line.size();
    // p is the 1-based position of the next pair; the pair at p is at index p - 1.
    qsizetype p = 2;
    quint8 sum = 0;
    while (p < length - 2) {
        const int byte = hexPair(line, p - 1);
        if (byte < 0)
            return true;
        sum = static_cast<quint8>(sum + byte);
        p += 2;
    }
    const int checksum = hexPair(line, p - 1);
    return checksum < 0 || static_cast<quint8>(-sum) != checksum;
}

FirmwareImage FirmwareImage::readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FirmwareImage image;
        image.refuse(Status::Unreadable, -1, file.errorString());
        return image;
    }
    return read(file);
}

FirmwareImage FirmwareImage::read(QIODevice& device)
{
    FirmwareImage image;
    TextLineReader reader(device);
    QString line;
    for (int index = 0; index < CheckedLines; ++index) {
        const TextLineReader::Result result = reader.next(line);
        if (result == TextLineReader::Result::Error) {
            image.refuse(Status::Unreadable, -1, reader.errorString());
            return image;
        }
        if (result == TextLineReader::Result::End)
            line.clear();
        if (!image.acceptLine(index, line))
            return image;
    }
    image.finish();
    return image;
}

FirmwareImage FirmwareImage::fromLines(const QStringList& lines)
{
    FirmwareImage image;
    for (int index = 0; index < CheckedLines; ++index)
        if (!image.acceptLine(index, lines.value(index)))
            return image;
    image.finish();
    return image;
}

FirmwareMessage FirmwareImage::refusal() const
{
    switch (m_status) {
    case Status::Unreadable:
        return {QStringLiteral("File is corrupt"), QStringLiteral("Error")};
    case Status::BadLine:
        return {QStringLiteral("Wrong HEX file!"), QStringLiteral("Checksum Error")};
    case Status::BadVersionLine:
        return {QStringLiteral("Wrong HEX file!"), QStringLiteral("Error")};
    case Status::Ok:
        break;
    }
    return {};
}

void FirmwareImage::refuse(Status status, int line, const QString& reason)
{
    m_status = status;
    m_faultLine = line;
    m_faultReason = reason;
    m_blocks.clear();
}

bool FirmwareImage::acceptLine(int index, const QString& line)
{
    const QString where = QStringLiteral("line %1").arg(index + 1);
    if (line.isEmpty()) {
        refuse(Status::BadLine, index, where + QStringLiteral(" is empty or missing"));
        return false;
    }
    if (line[0] != u':') {
        refuse(Status::BadLine, index, where + QStringLiteral(" does not start with ':'"));
        return false;
    }
    for (qsizetype i = 1; i < line.size(); ++i) {
        if (hexDigit(line[i]) < 0) {
            refuse(Status::BadLine, index,
                   where + QStringLiteral(": character %1 is not a hex digit").arg(i + 1));
            return false;
        }
    }
    if (line.size() < 3) {
        refuse(Status::BadLine, index, where + QStringLiteral(" is too short for a checksum"));
        return false;
    }
    if (CheckHexLine(line)) {
        refuse(Status::BadLine, index, where + QStringLiteral(": wrong checksum"));
        return false;
    }
    if (index < FirstBlock || index > LastBlock)
        return true;
    if (line.size() < MinimumDataLineLength) {
        refuse(Status::BadLine, index,
               where + QStringLiteral(" is too short for %1 data bytes").arg(BlockSize));
        return false;
    }
    Block block;
    for (int i = 0; i < BlockSize; ++i)
        block[static_cast<size_t>(i)] = static_cast<quint8>(dataByte(line, i));
    m_blocks.push_back(block);
    if (index == VersionLine)
        m_versionLine = line;
    return true;
}

void FirmwareImage::finish()
{
    const int address = hexPair(m_versionLine, 3) * 256 + hexPair(m_versionLine, 5);
    if (address != VersionLineAddress) {
        refuse(Status::BadVersionLine, VersionLine,
               QStringLiteral("line %1 is not the record for address %2")
                   .arg(VersionLine + 1)
                   .arg(QString::number(VersionLineAddress, 16).toUpper()));
        return;
    }
    const Block& versionBlock = block(VersionLine);
    if (versionBlock[6] != 0x00 || versionBlock[7] != 0xA5) {
        refuse(Status::BadVersionLine, VersionLine,
               QStringLiteral("line %1 has no version block (its data bytes 6 and 7 are not 00 A5)")
                   .arg(VersionLine + 1));
        return;
    }
    m_version = {versionBlock[4], versionBlock[5]};
    m_versionLine.clear();
}
