#include "CliRun.h"
#include "support/WaitFor.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

namespace {

class ScanBurstCli : public CliFixture
{
protected:
    QString out(const QString& name = QStringLiteral("cap.dat")) { return dir.filePath(name); }

    // The records the summary line "Ct=N Rate=R smp/s" (the last line of stdout) reports.
    static qint64 summaryCount(const std::string& stdoutText)
    {
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("Ct=(\\d+) Rate=(\\d+) smp/s\\n$"))
                .match(QString::fromStdString(stdoutText));
        return m.hasMatch() ? m.captured(1).toLongLong() : -1;
    }
};

TEST_F(ScanBurstCli, ScanPrintsTheSimulatedTargets)
{
    const CliRun r = runCli({"--simulate", "scan"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Devices list:  8bit  7bit  \n"
                     "  address :    90    48\n"
                     "  address :    92    49\n"
                     "  address :    A0    50\n");
    EXPECT_EQ(runCli({"scan", "--simulate=2", "--bridge", "SIM0002"}).exitCode, 0);
    EXPECT_EQ(runCli({"scan", "--simulate=0"}).exitCode, 1) << "no bridge";
    EXPECT_EQ(runCli({"scan", "--simulate", "extra"}).exitCode, 2);
    EXPECT_EQ(runCli({"scan", "--simulate", "--lines", "1"}).exitCode, 2);
}

TEST_F(ScanBurstCli, BurstWritesCtRecordsOfNPlusOneBytes)
{
    const QString s = script("; sine\nR 49 X X\n");
    const CliRun r = runCli(
        {"--simulate", "burst", s, "--line", "2", "--out", out(), "--records", "3000", "--hex"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const qint64 ct = summaryCount(r.out);
    EXPECT_GE(ct, 3000);
    EXPECT_EQ(QFileInfo(out()).size(), ct * 3);
    const QStringList lines = QString::fromStdString(r.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), ct + 1) << "one line per record, then the summary";
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^01 [0-9A-F]{2} [0-9A-F]{2} $"))
                    .match(lines.first())
                    .hasMatch());
}

TEST_F(ScanBurstCli, BurstForSomeSecondsWithTheDecodedValuesInACsvFile)
{
    const QString s = script("R 49 @SINE @1SINE\n");
    const QString csv = out(QStringLiteral("values.csv"));
    const CliRun r = runCli({"burst", "--simulate", s, "--line", "1", "--out", out(), "--seconds",
                             "0.3", "--var", "SINE:int", "--csv", csv});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const qint64 ct = summaryCount(r.out);
    EXPECT_GT(ct, 0);
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> rows = f.readAll().split('\n');
    ASSERT_EQ(rows.size(), ct + 2) << "header, one row per record, empty tail";
    EXPECT_EQ(rows.first(), "X,SINE");
    EXPECT_TRUE(rows.at(1).startsWith("0,"));
    EXPECT_TRUE(rows.at(2).startsWith("1,"));
}

TEST_F(ScanBurstCli, BadUsageAndFailures)
{
    const QString s = script("R 49 X X\n; comment\nR 48 QQ\n");
    const struct
    {
        QStringList args;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"burst", s, "--out", out(), "--records", "5"}, 2, "--line is required"},
        {{"burst", s, "--line", "1", "--records", "5"}, 2, "--out is required"},
        {{"burst", s, "--line", "1", "--out", out()}, 2, "either --records or --seconds"},
        {{"burst", s, "--line", "1", "--out", out(), "--records", "5", "--seconds", "1"},
         2,
         "either --records or --seconds"},
        {{"burst", s, "--line", "0", "--out", out(), "--records", "5"}, 2, "--line"},
        {{"burst", s, "--line", "9", "--out", out(), "--records", "5"}, 2, "has 3 lines"},
        {{"burst", s, "--line", "1", "--out", out("none"), "--records", "5"}, 2, "'none'"},
        {{"burst", s, "--line", "1", "--out", out(), "--seconds", "-1"}, 2, "--seconds"},
        {{"burst", "--simulate", s, "--line", "2", "--out", out(), "--records", "5"},
         1,
         "line 2 holds no transaction"},
        {{"burst", "--simulate", s, "--line", "3", "--out", out(), "--records", "5"},
         1,
         "Syntax ERROR"},
        {{"burst", "--simulate", s, "--line", "1", "--out", out("no/such/dir.dat"), "--records",
          "5"},
         1,
         "Cannot create the capture file"},
        {{"burst", "--simulate=0", s, "--line", "1", "--out", out(), "--records", "5"},
         1,
         "no bridge"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const CliRun r = runCli(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
}

TEST_F(ScanBurstCli, AnInterruptStopsTheCaptureAndReadsItBack)
{
    const QString s = script("R 49 X X\n");
    QProcess p;
    p.start(QStringLiteral(TAVIRO_CLI_PATH),
            {"burst", "--simulate", s, "--line", "1", "--out", out(), "--seconds", "60"});
    ASSERT_TRUE(p.waitForStarted(10000));
    ASSERT_TRUE(waitFor([&] { return QFileInfo(out()).size() > 0; }, 10000));
    ::kill(pid_t(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const qint64 ct = summaryCount(p.readAllStandardOutput().toStdString());
    EXPECT_GT(ct, 0);
    EXPECT_EQ(QFileInfo(out()).size(), ct * 3);
}

} // namespace
