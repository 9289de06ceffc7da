// The Intel HEX firmware image: any bytes through the file reader, which must agree with the
// same checks on the file's lines, and through the line check. A valid image holds exactly
// the bytes of its lines and a version block with the 00 A5 marker.
//
// A whole image is 24 KB or more of records with right checksums, which the fuzzer does not
// build by chance, and reading one is slow. So one input in 64 is also read as the beginning
// of an image whose further lines come from a valid one: the rules of a whole image (its
// blocks, its version line) are reached, at a small share of the executions.

#include "FuzzSupport.h"
#include "TextLines.h"

#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareImageWriter.h"

#include <QBuffer>

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

FirmwareImage readImage(QByteArray bytes)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return FirmwareImage::read(buffer);
}

// What a valid image must hold, checked against its text.
void checkValid(const FirmwareImage& image, const QStringList& lines)
{
    FUZZ_CHECK(lines.size() >= FirmwareImage::CheckedLines);
    for (int n = FirmwareImage::FirstBlock; n <= FirmwareImage::LastBlock; ++n) {
        const QByteArray line = lines[n].toLatin1();
        const FirmwareImage::Block& block = image.block(n);
        for (int i = 0; i < FirmwareImage::BlockSize; ++i) {
            const int high = hexValue(line[9 + 2 * i]);
            const int low = hexValue(line[10 + 2 * i]);
            FUZZ_CHECK(high >= 0 && low >= 0 && block[size_t(i)] == high * 16 + low);
        }
    }
    const FirmwareImage::Block& version = image.block(FirmwareImage::VersionLine);
    FUZZ_CHECK(version[6] == 0x00 && version[7] == 0xA5);
    FUZZ_CHECK(image.version().major == version[4] && image.version().minor == version[5]);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const FirmwareImage image = readImage(bytes);
    const QStringList lines = textLines(bytes);
    const FirmwareImage fromLines = FirmwareImage::fromLines(lines);
    FUZZ_CHECK(image.status() == fromLines.status());
    FUZZ_CHECK(image.faultLine() == fromLines.faultLine());
    FUZZ_CHECK(image.isValid() || !image.faultReason().isEmpty());
    for (const QString& line : lines.mid(0, FirmwareImage::CheckedLines))
        CheckHexLine(line);
    if (image.isValid())
        checkValid(image, lines);

    // The input's lines, then those of a valid image from there on.
    if (lines.size() >= FirmwareImage::CheckedLines || !oneInputIn(64, data, size))
        return 0;
    static const QStringList valid = FirmwareImageWriter({2, 6}).lines();
    const QStringList whole = lines + valid.mid(lines.size());
    const FirmwareImage completed = readImage(whole.join(QStringLiteral("\r\n")).toLocal8Bit());
    // Up to the input's last line it fails where the input alone did, or not at all.
    FUZZ_CHECK(completed.isValid() || completed.faultLine() >= 0);
    if (image.status() == FirmwareImage::Status::BadLine && image.faultLine() < lines.size())
        FUZZ_CHECK(completed.faultLine() == image.faultLine());
    if (completed.isValid())
        checkValid(completed, whole);
    return 0;
}
