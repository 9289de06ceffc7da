#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareImageWriter.h"

#include "ScriptedDevice.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

struct HexLineCase
{
    const char* line;
    bool bad;
};

TEST(CheckHexLine, SumsThePairsBeforeTheLastWholePair)
{
    const std::vector<HexLineCase> cases = {
        {":00000001FF", false},
        {":00000001FE", true},
        {":0400100001020304E2", false},
        {":0400100001020304e2", false}, // lower case
        {":0400100001020304E3", true},
        {":0400100001020304", true}, // no checksum: the last data byte is taken as one
        {":00", false},              // sum of nothing, checksum 00
        {":01", true},
        {":", true}, // no pair to compare
        {":0", true},
        {"", true},
        {":00000001FF0", false}, // even length: the last character is not looked at
        {":0000G001FF", true},
        {"x00000001FF", false}, // the first character is not looked at
    };
    for (const HexLineCase& c : cases)
        EXPECT_EQ(CheckHexLine(QString::fromLatin1(c.line)), c.bad) << c.line;

    for (const QString& record : FirmwareImageWriter({2, 6}).lines())
        EXPECT_FALSE(CheckHexLine(record)) << record.toStdString();
}

// Cuts a record to length characters and seals it with the checksum the line check expects
// there: the pair at position length - 1 (odd length) or length - 2 (even, then one digit).
QString sealed(const QString& record, qsizetype length)
{
    const qsizetype pairAt = length % 2 ? length - 1 : length - 2; // 1-based
    QString line = record.left(pairAt - 1);
    quint8 sum = 0;
    for (qsizetype p = 2; p < pairAt; p += 2)
        sum = static_cast<quint8>(sum + line.mid(p - 1, 2).toUInt(nullptr, 16));
    line += QStringLiteral("%1").arg(static_cast<quint8>(-sum), 2, 16, QLatin1Char('0'));
    if (length % 2 == 0)
        line += u'0';
    return line;
}

TEST(FirmwareImage, GeneratedImageGivesVersionAndBlocks)
{
    FirmwareImageWriter writer({2, 6});
    writer.setSeed(7);
    const QByteArray bytes = writer.imageBytes();
    EXPECT_EQ(bytes.mid(0x2CC4, 4), QByteArray("\x02\x06\x00\xA5", 4));

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("fw.hex"));
    QString error;
    ASSERT_TRUE(writer.writeFile(path, error)) << error.toStdString();

    const FirmwareImage image = FirmwareImage::readFile(path);
    ASSERT_EQ(image.status(), FirmwareImage::Status::Ok) << image.faultReason().toStdString();
    EXPECT_EQ(image.version(), (FirmwareVersion{2, 6}));
    EXPECT_EQ(image.versionText(), QStringLiteral("Firmware v.2.6"));
    for (int n = FirmwareImage::FirstBlock; n <= FirmwareImage::LastBlock; ++n) {
        const FirmwareImage::Block& block = image.block(n);
        ASSERT_EQ(QByteArray(reinterpret_cast<const char*>(block.data()), 64),
                  bytes.mid(n * 64, 64))
            << "block " << n;
    }

    // Lower-case digits, LF line ends and more lines than are read give the same image.
    QStringList lower = writer.lines();
    for (QString& line : lower)
        line = line.toLower();
    const FirmwareImage fromLower = FirmwareImage::fromLines(lower);
    ASSERT_TRUE(fromLower.isValid());
    EXPECT_EQ(fromLower.block(100), image.block(100));
    ScriptedDevice lf(lower.join(u'\n').toLatin1(), -1, 100);
    EXPECT_TRUE(FirmwareImage::read(lf).isValid());

    FirmwareImageWriter longer({0, 255});
    longer.setDataLines(FirmwareImageWriter::MaximumDataLines);
    longer.setSeed(99);
    const FirmwareImage big = FirmwareImage::fromLines(longer.lines());
    ASSERT_TRUE(big.isValid());
    EXPECT_EQ(big.version(), (FirmwareVersion{0, 255}));
    EXPECT_EQ(longer.lines()[1023].mid(3, 4), QStringLiteral("FFC0"));
    EXPECT_NE(FirmwareImage::fromLines(FirmwareImageWriter({0, 255}).lines()).block(2),
              big.block(2))
        << "a different seed changes the payload";
}

struct RefusalCase
{
    const char* what;
    std::function<void(FirmwareImageWriter&)> configure;
    std::function<void(QStringList&)> edit;
    FirmwareImage::Status status;
    int faultLine;
};

TEST(FirmwareImage, RefusesFaultyFilesWithTheRightBox)
{
    using S = FirmwareImage::Status;
    auto none = [](auto&) {};
    const std::vector<RefusalCase> cases = {
        {"valid", none, none, S::Ok, -1},
        {"bad checksum in the 184th line", [](auto& w) { w.setBadChecksumLine(183); }, none,
         S::BadLine, 183},
        {"bad checksum in line 0 (never written)", [](auto& w) { w.setBadChecksumLine(0); }, none,
         S::BadLine, 0},
        {"bad checksum after the checked lines",
         [](auto& w) {
             w.setDataLines(190);
             w.setBadChecksumLine(184);
         },
         none, S::Ok, -1},
        {"bad end record right after 184 data lines", [](auto& w) { w.setBadChecksumLine(184); },
         none, S::Ok, -1},
        {"183 lines", [](auto& w) { w.setDataLines(182); }, none, S::BadLine, 183},
        {"empty file", none, [](QStringList& l) { l.clear(); }, S::BadLine, 0},
        {"empty line", none, [](QStringList& l) { l[181].clear(); }, S::BadLine, 181},
        {"too short for a checksum", none, [](QStringList& l) { l[180] = QStringLiteral(":0"); },
         S::BadLine, 180},
        {"short record outside the blocks", none,
         [](QStringList& l) { l[182] = QStringLiteral(":00000001FF"); }, S::Ok, -1},
        {"data line of 137 characters", none, [](QStringList& l) { l[100] = sealed(l[100], 137); },
         S::Ok, -1},
        {"data line of 136 characters", none, [](QStringList& l) { l[100] = sealed(l[100], 136); },
         S::BadLine, 100},
        {"data line of 11 characters", none, [](QStringList& l) { l[2] = sealed(l[2], 11); },
         S::BadLine, 2},
        {"non-hex digit", none, [](QStringList& l) { l[50][40] = u'G'; }, S::BadLine, 50},
        {"trailing blank", none, [](QStringList& l) { l[10] += u' '; }, S::BadLine, 10},
        {"no colon", none, [](QStringList& l) { l[5][0] = u';'; }, S::BadLine, 5},
        {"version line at another address", [](auto& w) { w.setVersionLineAddress(0x2D00); }, none,
         S::BadVersionLine, 179},
        {"no version marker", [](auto& w) { w.setVersionMarker(0xFF, 0xFF); }, none,
         S::BadVersionLine, 179},
        {"zero byte not zero", [](auto& w) { w.setVersionMarker(0x01, 0xA5); }, none,
         S::BadVersionLine, 179},
        {"line faults come first",
         [](auto& w) {
             w.setVersionLineAddress(0x2D00);
             w.setBadChecksumLine(183);
         },
         none, S::BadLine, 183},
    };
    for (const RefusalCase& c : cases) {
        FirmwareImageWriter writer({2, 5});
        c.configure(writer);
        QStringList lines = writer.lines();
        c.edit(lines);
        const FirmwareImage image = FirmwareImage::fromLines(lines);
        EXPECT_EQ(image.status(), c.status) << c.what << ": " << image.faultReason().toStdString();
        EXPECT_EQ(image.faultLine(), c.faultLine) << c.what;
        ScriptedDevice file(lines.join(QStringLiteral("\r\n")).toLatin1(), -1, 64);
        EXPECT_EQ(FirmwareImage::read(file).status(), c.status) << c.what << " (read)";
    }
}

TEST(FirmwareImage, RefusalBoxes)
{
    struct Case
    {
        FirmwareImage image;
        const char* text;
        const char* caption;
    };
    FirmwareImageWriter badSum({2, 5});
    badSum.setBadChecksumLine(3);
    FirmwareImageWriter badMarker({2, 5});
    badMarker.setVersionMarker(0x00, 0x5A);
    const QByteArray valid = FirmwareImageWriter({2, 5}).hexText();
    ScriptedDevice failing(valid, valid.size() / 2);
    QTemporaryDir dir;
    const std::vector<Case> cases = {
        {FirmwareImage::readFile(dir.filePath(QStringLiteral("missing.hex"))), "File is corrupt",
         "Error"},
        {FirmwareImage::readFile(dir.path()), "File is corrupt", "Error"},
        {FirmwareImage::read(failing), "File is corrupt", "Error"},
        {FirmwareImage::fromLines(badSum.lines()), "Wrong HEX file!", "Checksum Error"},
        {FirmwareImage::fromLines(badMarker.lines()), "Wrong HEX file!", "Error"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(c.image.isValid()) << c.text;
        EXPECT_EQ(c.image.refusal().text, QString::fromLatin1(c.text));
        EXPECT_EQ(c.image.refusal().caption, QString::fromLatin1(c.caption)) << c.text;
        EXPECT_EQ(c.image.refusal().buttons, static_cast<int>(UiPort::Button::Ok));
        EXPECT_FALSE(c.image.faultReason().isEmpty());
    }

    // A bad line read before the read fails is what the user is told about.
    const QByteArray bad = badSum.hexText();
    ScriptedDevice failsLater(bad, bad.size() / 2);
    EXPECT_EQ(FirmwareImage::read(failsLater).status(), FirmwareImage::Status::BadLine);
}

} // namespace
