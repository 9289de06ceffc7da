#include "CliRun.h"

#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareImageWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

namespace {

class FirmwareCliTest : public ::testing::Test
{
protected:
    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    static QByteArray contents(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

const QByteArray LoaderFile =
    "TITLE\r\n50,write,no,01,02\r\n50,READ,YES,20,4\r\n50,WRITE,NO,00\r\n";

TEST_F(FirmwareCliTest, ConvertPrintsTheScriptAndItsVerdict)
{
    struct Case
    {
        QByteArray text;
        QStringList options;
        std::string out;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {LoaderFile,
         {},
         ";TITLE\nW 50 01,02\nR 50 4\nW 50 [DELAY=20]  00\n;END\n  Syntax : OK\n",
         0},
        {"T\n50,WRITE\n", {}, ";T\nR 50 WRITE\n;END\n  Syntax : ERROR  [ 2 : 6 ]\n", 1},
        {"T\n48,READ,NO,@TEMP @1TEMP\n",
         {},
         ";T\nR 48 @TEMP @1TEMP\n;END\n  Syntax : ERROR  [ 2 : 6 ]\n",
         1},
        {"T\n48,READ,NO,@TEMP @1TEMP\n",
         {"--var", "Temp:int"},
         ";T\nR 48 @TEMP @1TEMP\n;END\n  Syntax : OK\n",
         0},
    };
    int n = 0;
    for (const Case& c : cases) {
        QStringList args = QStringList{"convert"} + c.options;
        args.append(file(QStringLiteral("bl%1.txt").arg(++n), c.text));
        const CliRun r = runCli(args);
        EXPECT_EQ(r.out, c.out) << c.text.toStdString();
        EXPECT_EQ(r.exitCode, c.exitCode) << c.text.toStdString();
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
    const CliRun fromStdin = runCli({"convert", "-"}, LoaderFile);
    EXPECT_EQ(fromStdin.exitCode, 0);
    EXPECT_EQ(fromStdin.out, cases[0].out);
}

TEST_F(FirmwareCliTest, ConvertWritesTheScriptWithCrLf)
{
    const QString out = dir.filePath(QStringLiteral("out.iic"));
    file(QStringLiteral("out.iic"), "old contents");
    const CliRun r = runCli({"convert", "-o", out, file(QStringLiteral("bl.txt"), LoaderFile)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "  Syntax : OK\n");
    EXPECT_EQ(contents(out), ";TITLE\r\nW 50 01,02\r\nR 50 4\r\nW 50 [DELAY=20]  00\r\n;END\r\n");

    // The written script checks as the verdict said.
    const CliRun check = runCli({"check", out});
    EXPECT_EQ(check.out, "  Syntax : OK\n");

    // A file that cannot be read leaves the target as it was.
    const CliRun missing =
        runCli({"convert", "--output=" + out, dir.filePath(QStringLiteral("none.txt"))});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_NE(missing.err.find("cannot read boot-loader file"), std::string::npos) << missing.err;
    EXPECT_EQ(contents(out).left(6), ";TITLE");

    const CliRun unwritable =
        runCli({"convert", "-o", dir.filePath(QStringLiteral("no/such/dir/x.iic")),
                file(QStringLiteral("bl2.txt"), LoaderFile)});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("cannot write"), std::string::npos) << unwritable.err;
}

TEST_F(FirmwareCliTest, ConvertUsage)
{
    const std::vector<QStringList> bad = {
        {"convert"},
        {"convert", "-o"},
        {"convert", "a.txt", "b.txt"},
        {"convert", "--frob", "a.txt"},
        {"convert", "--var", "T:double", "a.txt"},
    };
    for (const QStringList& args : bad) {
        const CliRun r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.empty()) << args.join(u' ').toStdString();
        EXPECT_NE(r.err.find("usage: taviro-cli convert"), std::string::npos) << r.err;
    }
    const CliRun help = runCli({"convert", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("BLFILE"), std::string::npos);
}

TEST_F(FirmwareCliTest, MakeImageWritesImagesTheChecksAcceptOrRefuse)
{
    using S = FirmwareImage::Status;
    struct Case
    {
        QStringList options;
        S status;
    };
    const std::vector<Case> cases = {
        {{"--version", "2.6"}, S::Ok},
        {{"--version=2.6", "--lines", "300", "--seed", "9"}, S::Ok},
        {{"--version", "2.6", "--bad-checksum", "183"}, S::BadLine},
        {{"--version", "2.6", "--bad-checksum", "184"}, S::Ok},
        {{"--version", "2.6", "--lines", "182"}, S::BadLine},
        {{"--version", "2.6", "--lines", "183"}, S::Ok}, // the end record is the 184th line
        {{"--version", "2.6", "--wrong-address"}, S::BadVersionLine},
        {{"--version", "2.6", "--no-marker"}, S::BadVersionLine},
    };
    int n = 0;
    for (const Case& c : cases) {
        const QString path = dir.filePath(QStringLiteral("fw%1.hex").arg(++n));
        const CliRun r = runCli(QStringList{"make-image", "-o", path} + c.options);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const FirmwareImage image = FirmwareImage::readFile(path);
        EXPECT_EQ(image.status(), c.status) << c.options.join(u' ').toStdString();
        if (image.isValid()) {
            EXPECT_EQ(image.version(), (FirmwareVersion{2, 6}));
        }
    }

    const CliRun toStdout = runCli({"make-image", "--version", "1.22"});
    EXPECT_EQ(toStdout.exitCode, 0);
    EXPECT_EQ(QByteArray::fromStdString(toStdout.out), FirmwareImageWriter({1, 22}).hexText());

    const std::vector<QStringList> bad = {
        {"make-image"},
        {"make-image", "--version"},
        {"make-image", "--version", "2"},
        {"make-image", "--version", "256.0"},
        {"make-image", "--version", "2.6", "--lines", "0"},
        {"make-image", "--version", "2.6", "--lines", "1025"},
        {"make-image", "--version", "2.6", "--bad-checksum", "185"},
        {"make-image", "--version", "2.6", "extra"},
    };
    for (const QStringList& args : bad) {
        const CliRun r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.empty()) << args.join(u' ').toStdString();
    }
}

bool has(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

TEST_F(FirmwareCliTest, UpgradeProgramsTheSimulatedBridgeAndWaitsForItsReturn)
{
    const QString fw26 = file(QStringLiteral("fw-2.6.hex"), FirmwareImageWriter({2, 6}).hexText());
    const CliRun r = runCli({"--simulate", "upgrade", fw26, "--yes"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Prepare to program...\nFirmware v.2.6\nBridge BootLoader v2.0\n"
                     "Writing...\nVerifing...\nDone.\nUSB-I2C converter N=SIM0001, Ver2.6\n");

    // A downgrade asks first; without a terminal and without --yes the answer is Cancel.
    const QString fw24 = file(QStringLiteral("fw-2.4.hex"), FirmwareImageWriter({2, 4}).hexText());
    const CliRun refused = runCli({"upgrade", "--simulate", fw24});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(has(refused.err, "Warning: Current Bridge version has highest version!"));
    EXPECT_FALSE(has(refused.out, "Writing..."));
    const CliRun agreed = runCli({"upgrade", "--simulate", fw24, "--yes"});
    EXPECT_EQ(agreed.exitCode, 0) << agreed.err;
    EXPECT_TRUE(has(agreed.out, "Done.\nUSB-I2C converter N=SIM0001, Ver2.4\n"));
}

TEST_F(FirmwareCliTest, UpgradeRefusesABadImageAndGivesUpWithoutABootLoader)
{
    FirmwareImageWriter bad({2, 6});
    bad.setBadChecksumLine(183);
    const QString path = file(QStringLiteral("bad.hex"), bad.hexText());
    const CliRun r = runCli({"upgrade", "--simulate", path, "--yes"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(has(r.err, "Wrong HEX file!"));
    EXPECT_EQ(r.out, "Prepare to program...\n");

    const QString good = file(QStringLiteral("fw.hex"), FirmwareImageWriter({2, 6}).hexText());
    const CliRun none = runCli({"upgrade", "--simulate=0", good, "--timeout", "0.5"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(has(none.out, "Connect Bridge to USB...\nError! Try again!\n")) << none.out;

    for (const QStringList& args :
         {QStringList{"upgrade"}, QStringList{"upgrade", good, good},
          QStringList{"upgrade", good, "--timeout"}, QStringList{"upgrade", good, "--timeout", "x"},
          QStringList{"upgrade", good, "--force"}}) {
        const CliRun usage = runCli(args);
        EXPECT_EQ(usage.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(usage.out.empty());
    }
}

} // namespace
