#include "cli/CliRun.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

class BridgeCliTest : public CliFixture
{
};

TEST_F(BridgeCliTest, ListShowsEveryBridgeWithItsVersionAndTheSelectedState)
{
    const CliRun r = runCli({"list", "--simulate=2"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "USB-I2C converter N=SIM0001, Ver2.5\n"
                     "USB-I2C converter N=SIM0002, Ver2.5\n"
                     "selected: connected to N=1\n"
                     "target power: Powered\n"
                     "power source: External\n"
                     "bus speed: 100K\n");

    const CliRun second = runCli({"list", "--simulate=2", "--bridge", "SIM0002"});
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_NE(second.out.find("selected: connected to N=2"), std::string::npos);

    const CliRun unknown = runCli({"list", "--simulate=2", "--bridge=NOPE"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("present: SIM0001, SIM0002"), std::string::npos);

    const CliRun none = runCli({"list", "--simulate=0"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("no bridge found"), std::string::npos);
}

TEST_F(BridgeCliTest, PowerSpeedAndResetAreConfirmedByTheBridge)
{
    const CliRun power = runCli({"power", "5v", "--simulate"});
    EXPECT_EQ(power.exitCode, 0) << power.err;
    EXPECT_NE(power.out.find("target power: Powered\npower source: +5V\n"), std::string::npos);

    const CliRun speed = runCli({"speed", "50", "--simulate"});
    EXPECT_EQ(speed.exitCode, 0) << speed.err;
    EXPECT_NE(speed.out.find("bus speed: 50K"), std::string::npos);

    const CliRun reset = runCli({"reset", "--simulate"});
    EXPECT_EQ(reset.exitCode, 0) << reset.err;
    EXPECT_EQ(reset.out.substr(0, 13), "RESET Device\n");

    for (const QStringList& bad :
         {QStringList{"power", "--simulate"}, QStringList{"power", "12v", "--simulate"},
          QStringList{"speed", "200", "--simulate"}, QStringList{"reset", "now", "--simulate"},
          QStringList{"list", "--frob"}}) {
        const CliRun r = runCli(bad);
        EXPECT_EQ(r.exitCode, 2) << bad.join(u' ').toStdString();
        EXPECT_NE(r.err.find("usage"), std::string::npos);
    }
    EXPECT_EQ(runCli({"power", "ext", "--simulate=0"}).exitCode, 1);
}

TEST_F(BridgeCliTest, RunPrintsTheStatusLinesAndTellsAcknowledgementByExitCode)
{
    const QString ok =
        script("S A0 00 01 ; set\r\nW 50 00 +\r\n01 02\r\n", QStringLiteral("ok.iic"));
    const CliRun r = runCli({"run", "--simulate", ok});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "s A0+ 00+ 01+ p ; SET\ns A0+ 00+ \n01+ 02+ p \n");

    const CliRun range = runCli({"run", "--simulate", "--lines", "2-3", ok});
    EXPECT_EQ(range.out, "s A0+ 00+ \n01+ 02+ p \n");
    EXPECT_EQ(runCli({"run", "--simulate", "--lines", "4", ok}).exitCode, 2);

    const QString nack = script("R 48 X\r\nS A2 00\r\n", QStringLiteral("nack.iic"));
    const CliRun n = runCli({"run", "--simulate", nack});
    EXPECT_EQ(n.exitCode, 3);
    EXPECT_NE(n.out.find("s A2- 00- p \n"), std::string::npos);

    const QString bad = script("R 48 X\r\nQ\r\nR 48 X\r\n", QStringLiteral("bad.iic"));
    const CliRun b = runCli({"run", "--simulate", bad});
    EXPECT_EQ(b.exitCode, 1);
    EXPECT_NE(b.err.find("Syntax ERROR"), std::string::npos);

    EXPECT_EQ(runCli({"run", "--simulate=0", ok}).exitCode, 1);
    EXPECT_EQ(runCli({"run", "--simulate", "--count", "3", ok}).exitCode, 2);
}

TEST_F(BridgeCliTest, RepeatStreamsEverySampleToTheCsvFile)
{
    const QString sine = script("R 49 @0SINE @1SINE\r\n");
    const QString csv = dir.filePath(QStringLiteral("samples.csv"));
    const CliRun r = runCli(
        {"run", "--simulate", "--var", "SINE:int", "--repeat", "--count", "4", "--csv", csv, sine});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "s 93+ 00+ 00+ p \ns 93+ 74+ 02+ p \ns 93+ E5+ 04+ p \ns 93+ 52+ 07+ p \n");
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("X,SINE\n0,0\n1,628\n2,1253\n3,1874\n"));
}

} // namespace
