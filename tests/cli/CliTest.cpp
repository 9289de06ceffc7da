#include "CliRun.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CliTest : public CliFixture
{
};

TEST_F(CliTest, HelpVersionAndBadUsage)
{
    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("check [--settings FILE] [--var NAME[:TYPE]]... SCRIPT"),
              std::string::npos);
    EXPECT_NE(help.out.find("compile [--settings FILE] [--var NAME[:TYPE]]... SCRIPT"),
              std::string::npos);

    const CliRun version = runCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "taviro-cli " TAVIRO_VERSION "\n");

    const std::vector<QStringList> bad = {
        {},
        {"--frob"},
        {"check"},
        {"check", "--frob", "x.iic"},
        {"check", "a.iic", "b.iic"},
        {"check", "--var"},
        {"check", "--var", "T:double", "x.iic"},
        {"check", "--var", ":int", "x.iic"},
        {"compile", "--var", "TWO WORDS", "x.iic"},
    };
    for (const QStringList& args : bad) {
        const CliRun r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.empty()) << args.join(u' ').toStdString();
        EXPECT_NE(r.err.find("usage"), std::string::npos) << args.join(u' ').toStdString();
    }
}

TEST_F(CliTest, CheckPrintsThePanelVerdict)
{
    struct Case
    {
        QByteArray text;
        QStringList vars;
        std::string out;
        int exitCode;
    };
    const std::vector<Case> cases = {
        {"S A0 00 01\r\nR 48 X X\r\n", {}, "  Syntax : OK\n", 0},
        {"", {}, "  Syntax : OK\n", 0},
        {"S A0 00\nS A0 P 01\n", {}, "  Syntax : ERROR  [ 2 : 7 ]\n", 1},
        {"R 48 @TEMP @1TEMP\n", {}, "  Syntax : ERROR  [ 1 : 6 ]\n", 1},
        {"R 48 @TEMP @1TEMP\n", {"--var", "temp:int"}, "  Syntax : OK\n", 0},
        {"R 48 @A @B\n", {"--var=A", "--var", "B:float"}, "  Syntax : OK\n", 0},
        {"R 48 @A @B\n", {"--var", "B"}, "  Syntax : ERROR  [ 1 : 6 ]\n", 1},
        {"W 50 00 +\r\n01 02\r\n", {}, "  Syntax : OK\n", 0},
    };
    for (const Case& c : cases) {
        QStringList args = c.vars;
        args.prepend(QStringLiteral("check"));
        args.append(script(c.text));
        const CliRun r = runCli(args);
        EXPECT_EQ(r.out, c.out) << c.text.toStdString();
        EXPECT_EQ(r.exitCode, c.exitCode) << c.text.toStdString();
    }
    const CliRun fromStdin = runCli({"check", "-"}, "S A0 01+\n");
    EXPECT_EQ(fromStdin.out, "  Syntax : ERROR  [ 1 : 7 ]\n");
}

TEST_F(CliTest, UnreadableScriptIsAFailureWithAMessage)
{
    for (const QString& path : {dir.filePath(QStringLiteral("missing.iic")), dir.path()}) {
        const CliRun r = runCli({"check", path});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find(path.toStdString()), std::string::npos) << r.err;
    }
}

TEST_F(CliTest, CompilePrintsEveryTransactionOfEveryLine)
{
    const QByteArray text = "; EEPROM\r\n"
                            "S A0 10 DE AD P\r\n"
                            "W 50 10 [DELAY=5] R 50 X X ;read back\r\n"
                            "R 48 @1TEMP @TEMP\r\n"
                            "\r\n"
                            "W 50 20 01 +\r\n"
                            "02 03\r\n";
    const CliRun r = runCli({"compile", "--var", "TEMP:int", script(text)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "1.0  ; EEPROM\n"
                     "2.1  0A 03 50 10 DE AD\n"
                     "3.1  02 01 50 10  delay 5 ms\n"
                     "3.2  0D 02 50  ;READ BACK\n"
                     "4.1  0B 02 48  vars 1=TEMP.1 2=TEMP.0\n"
                     "5.0\n"
                     "6.1  02 02 50 20 01  continued\n"
                     "7.1  08 02 02 03\n");
    EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(CliTest, CompileStopsAtTheFirstBadLine)
{
    const CliRun r = runCli({"compile", script("S A0 01\nR 48 @TEMP\nS A0 02\n")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "1.1  0A 01 50 01\n");
    EXPECT_EQ(r.err, "  Syntax : ERROR  [ 2 : 6 ]\n");

    // Too many transactions for one line: refused, not overrun.
    QByteArray many;
    for (int i = 0; i < 256; ++i)
        many += "S A0 ";
    const CliRun overflow = runCli({"compile", script(many)});
    EXPECT_EQ(overflow.exitCode, 1);
    EXPECT_TRUE(overflow.out.empty());
    EXPECT_EQ(overflow.err, "  Syntax : ERROR  [ 1 : 1275 ]\n");
}

} // namespace

TEST_F(CliTest, SettingsFileGivesTheVariablesAndVarReplacesTheFirstOnes)
{
    const QString settings = dir.filePath(QStringLiteral("vars.ini"));
    {
        QFile f(settings);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Data Settings]\r\nVar1.Active=1\r\nVar1.Name=OLD\r\n"
                "Var2.Active=1\r\nVar2.Name=Pres\r\nVar2.Type=1\r\n");
    }
    const QString usesBoth = script("R 48 @PRES @TEMP\r\n");
    const QString usesOld = script("R 48 @OLD\r\n");

    EXPECT_EQ(runCli({"check", "--settings", settings, usesBoth}).out,
              "  Syntax : ERROR  [ 1 : 12 ]\n");
    const CliRun both = runCli({"check", "--settings", settings, "--var", "TEMP", usesBoth});
    EXPECT_EQ(both.exitCode, 0);
    EXPECT_EQ(both.out, "  Syntax : OK\n");
    // --var TEMP took the place of variable 1, OLD.
    EXPECT_EQ(runCli({"check", "--settings", settings, "--var", "TEMP", usesOld}).exitCode, 1);
    EXPECT_EQ(runCli({"check", "--settings=" + settings, usesOld}).exitCode, 0);

    const CliRun missing =
        runCli({"check", "--settings", dir.filePath(QStringLiteral("none.ini")), usesOld});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("cannot read settings file"), std::string::npos);
}

TEST_F(CliTest, AScriptsOwnSettingsFileBesideItGivesItsVariables)
{
    const QString path = script("R 48 @1TEMP @0TEMP\r\n", QStringLiteral("sensor.iic"));
    EXPECT_EQ(runCli({"check", path}).exitCode, 1);

    QFile companion(dir.filePath(QStringLiteral("sensor.ini")));
    ASSERT_TRUE(companion.open(QIODevice::WriteOnly));
    companion.write("[Data Settings]\r\nVar1.Active=1\r\nVar1.Name=TEMP\r\nVar1.Type=1\r\n");
    companion.close();
    const CliRun withCompanion = runCli({"check", path});
    EXPECT_EQ(withCompanion.exitCode, 0);
    EXPECT_EQ(withCompanion.out, "  Syntax : OK\n");

    // An explicit --settings file wins over the companion.
    const QString other = dir.filePath(QStringLiteral("other.ini"));
    QFile o(other);
    ASSERT_TRUE(o.open(QIODevice::WriteOnly));
    o.write("[Data Settings]\r\nVar1.Active=1\r\nVar1.Name=PRES\r\n");
    o.close();
    EXPECT_EQ(runCli({"check", "--settings", other, path}).exitCode, 1);
}
