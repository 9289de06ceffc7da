#include "script/BurstCapture.h"
#include "data/TVarType.h"
#include "support/ModelFixture.h"

#include <QFile>
#include <QTimer>

namespace {

const QString CantStart = QStringLiteral(" Error - can't start Burst mode");

class BurstCaptureTest : public ModelFixture
{
protected:
    void SetUp() override
    {
        startWithOneFastBridge();
        if (HasFatalFailure())
            return;
        burst().setFilePath(capturePath());
    }

    BurstCapture& burst() { return model->burst(); }
    QString capturePath() const { return dir.filePath(QStringLiteral("capture.dat")); }
    QByteArray captureFile() const
    {
        QFile f(capturePath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int points(int variable = 0) { return int(model->chart().series(variable).count()); }

    // Starts a capture on the caret line and waits for at least records records.
    bool capture(const QString& line, qint64 records = 1)
    {
        editor.setLines({QStringLiteral("; other line"), line});
        editor.setCaret({1, 0});
        firmware().clearLog();
        model->AcSendSpeedExecute();
        return model->execution().BurstRunning &&
               waitFor([&] { return burst().recordsReceived() >= records; });
    }
    void declare(const QString& name, quint8 type)
    {
        model->variables().declare(0, name, type);
        model->variables().Scroll = 0;
        model->chart().putOnChart(0);
    }
};

TEST_F(BurstCaptureTest, TheCaretLinesFirstTransactionBecomesABurstRead)
{
    struct Case
    {
        const char* line;
        const char* request; // as the bridge logs it
        int n;
    };
    const Case cases[] = {
        {"R 48 X X X", "0B 43 48", 3},
        {"S 91", "0B 41 48", 1},             // a read with no slot still reads one byte
        {"W 48 00 01", "0B 42 48", 2},       // forced to a read, the data not sent
        {"W 48 00 R 48 X X", "0B 41 48", 1}, // only the first transaction counts
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(capture(QString::fromLatin1(c.line), 100));
        model->AcStopExecute();
        EXPECT_EQ(burst().BurstDataCount(), c.n);
        // A poll tick that falls before the first burst report resends the request.
        const qsizetype requests = firmware().log().count(QString::fromLatin1(c.request));
        EXPECT_GE(requests, 1);
        EXPECT_LE(requests, 3);
        EXPECT_TRUE(firmware().log().contains(QStringLiteral("00 00"))) << "the burst end";
        const QByteArray file = captureFile();
        const int recordsPerReport = 63 / (c.n + 1);
        EXPECT_EQ(file.size() % (recordsPerReport * (c.n + 1)), 0) << "whole reports only";
        EXPECT_EQ(file.size(), burst().records() * (c.n + 1));
        EXPECT_GE(burst().records(), 100);
        ASSERT_EQ(burst().fileTab().lineCount(), burst().records());
        EXPECT_EQ(burst().fileTab().line(0).size(), 3 * (c.n + 1));
        EXPECT_TRUE(burst().fileTab().line(0).startsWith(QStringLiteral("01 ")));
    }
    EXPECT_EQ(burst().BurstRequest().Count & BurstFlag, BurstFlag);
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(BurstCaptureTest, ALineThatReadsMoreThanARecordHoldsIsToldSoAndStillRecorded)
{
    // 40 bytes in one read: the line's first segment holds 32 of them.
    QString line = QStringLiteral("R 49");
    for (int i = 0; i < 40; ++i)
        line += QStringLiteral(" X");
    ASSERT_TRUE(capture(line, 50));
    model->AcStopExecute();
    EXPECT_EQ(burst().BurstDataCount(), 32);
    EXPECT_TRUE(status.lines().contains(
        QStringLiteral(" Warning - burst records hold 32 of the 40 bytes the line reads")))
        << status.lines().join('|').toStdString();
    EXPECT_GE(burst().records(), 50);
    EXPECT_EQ(captureFile().size(), burst().records() * 33);
}

TEST_F(BurstCaptureTest, WhileItRunsOnlyStopAndResetAreEnabledAndTheViewsAreHidden)
{
    burst().fileTab().appendRecords(QByteArray("\x01\x02", 2), 2);
    model->chart().series(0).append(0, 1);
    ASSERT_TRUE(capture(QStringLiteral("R 49 X X")));
    EXPECT_EQ(model->panel(2), QStringLiteral("wait..."));
    const ActionStates& a = model->actions();
    EXPECT_FALSE(a.Send || a.SendRepeat || a.List || a.ToFile);
    EXPECT_TRUE(a.Stop && a.Reset);
    EXPECT_FALSE(a.EditorReadOnly);
    EXPECT_FALSE(model->chart().isShown());
    EXPECT_FALSE(burst().fileTab().isShown());
    EXPECT_EQ(burst().fileTab().lineCount(), 0);
    EXPECT_EQ(points(), 0) << "the series are cleared at the start";
    EXPECT_EQ(model->chart().bottomAxisTitle(), QStringLiteral("samples count"));

    model->AcStopExecute();
    EXPECT_FALSE(model->execution().BurstRunning);
    EXPECT_TRUE(model->chart().isShown());
    EXPECT_TRUE(burst().fileTab().isShown());
    EXPECT_TRUE(model->actions().ToFile);
    EXPECT_TRUE(model->panel(2).startsWith(QStringLiteral("Ct=%1 Rate=").arg(burst().records())));
    EXPECT_TRUE(model->panel(2).endsWith(QStringLiteral(" smp/s")));
    // The poll timer takes over again.
    firmware().clearLog();
    EXPECT_TRUE(waitFor([&] { return firmware().log().contains(QStringLiteral("03 02 80")); }));
}

TEST_F(BurstCaptureTest, RecordsAreDecodedIntoTheSeriesInFileOrderWithNoneLost)
{
    // Each record carries its running number: TEMP, an int over both bytes, counts up.
    firmware().setBurstCounter(true);
    sim.devices().first()->setBurstRate(0);
    declare(QStringLiteral("TEMP"), vtInt);
    ASSERT_TRUE(capture(QStringLiteral("R 48 @TEMP @1TEMP"), 20000));
    EXPECT_TRUE(burst().BurstRequest().IsVariable[1] && burst().BurstRequest().IsVariable[2]);
    EXPECT_EQ(burst().BurstRequest().VariableRef[1], 0);
    EXPECT_EQ(burst().BurstRequest().VariableRef[2], 1);
    model->AcStopExecute();

    const qint64 records = burst().records();
    EXPECT_EQ(records, burst().recordsReceived());
    EXPECT_LE(quint64(records), firmware().burstRecordsStreamed());
    ASSERT_EQ(points(), records);
    const ChartSeries& s = model->chart().series(0);
    qint64 wrong = 0;
    for (qint64 j = 0; j < records; ++j)
        if (s.y(j) != double(j % 65536) || s.x(j) != double(j))
            ++wrong;
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(burst().fileTab().line(258), QStringLiteral("01 02 01 "));
    EXPECT_EQ(burst().unwrittenReports(), 0);
}

TEST_F(BurstCaptureTest, InTimeModePointsAreSpreadOverTheElapsedTime)
{
    declare(QStringLiteral("SINE"), vtInt);
    model->variables().AxisX = true;
    ASSERT_TRUE(capture(QStringLiteral("R 49 @SINE @1SINE"), 500));
    EXPECT_EQ(model->chart().bottomAxisTitle(), QStringLiteral("time, ms"));
    model->AcStopExecute();
    const ChartSeries& s = model->chart().series(0);
    ASSERT_GT(s.count(), 2);
    const double step = double(float(double(model->capture().ElapsedMs) / double(s.count())));
    EXPECT_DOUBLE_EQ(s.x(s.count() - 1), double(s.count() - 1) * step);
    EXPECT_EQ(model->chart().bottomAxisTitle(), QStringLiteral("time, ms"));
    EXPECT_EQ(model->panel(2), BurstCapture::summary(s.count(), model->capture().ElapsedMs));
}

TEST_F(BurstCaptureTest, ATrailingPartialRecordIsIgnored)
{
    // The bridge does not stream: the test writes the file itself while the capture runs.
    firmware().setBurstSupported(false);
    for (const int size : {1000, 1001}) {
        SCOPED_TRACE(size);
        ASSERT_TRUE(capture(QStringLiteral("R 48 X X X"), 0));
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i % 4 == 0 ? 0x01 : i / 4 + i % 4);
        bytes.replace(0, 4, QByteArray("\x01\x12\x34\x56", 4));
        {
            QFile f(capturePath());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Append));
            f.write(bytes);
        }
        model->AcStopExecute();
        EXPECT_EQ(burst().records(), 250);
        ASSERT_EQ(burst().fileTab().lineCount(), 250);
        EXPECT_EQ(burst().fileTab().line(0), QStringLiteral("01 12 34 56 "));
        EXPECT_EQ(burst().fileTab().line(burst().fileTab().lineCount() - 1),
                  QStringLiteral("01 FA FB FC "));
    }
}

TEST_F(BurstCaptureTest, NoBurstReportGivesTheErrorAfterTwoResendsAndAnEmptyCapture)
{
    firmware().setBurstSupported(false);
    ASSERT_TRUE(capture(QStringLiteral("R 48 X X X"), 0));
    EXPECT_TRUE(burst().BurstStartPending());
    ASSERT_TRUE(waitFor([&] { return status.lines().contains(CantStart); }));
    EXPECT_EQ(firmware().log().count(QStringLiteral("0B 43 48")), 3);
    EXPECT_EQ(burst().BurstStartTries(), 3);
    EXPECT_FALSE(burst().BurstStartPending());
    EXPECT_TRUE(burst().startFailed());
    EXPECT_TRUE(model->execution().BurstRunning) << "until Stop";

    model->AcStopExecute();
    EXPECT_EQ(model->panel(2), QStringLiteral("Ct=0 Rate=0 smp/s"));
    EXPECT_EQ(status.lines().count(CantStart), 1);
    // Polling again, and no request after Stop.
    firmware().clearLog();
    ASSERT_TRUE(waitFor([&] { return firmware().log().contains(QStringLiteral("03 02 80")); }));
    EXPECT_EQ(firmware().log().count(QStringLiteral("0B 43 48")), 0);
}

TEST_F(BurstCaptureTest, StopBeforeTheRetriesRanOutSendsNoFurtherRequest)
{
    firmware().setBurstSupported(false);
    ASSERT_TRUE(capture(QStringLiteral("R 48 X"), 0));
    model->AcStopExecute();
    firmware().clearLog();
    ASSERT_TRUE(waitFor([&] { return firmware().log().count(QStringLiteral("03 02 80")) >= 3; }));
    EXPECT_EQ(firmware().log().count(QStringLiteral("0B 41 48")), 0);
    EXPECT_FALSE(status.lines().contains(CantStart));
}

TEST_F(BurstCaptureTest, TheLabelNoneDisablesToFileEntirely)
{
    burst().setFilePath(QStringLiteral("none"));
    burst().fileTab().appendRecords(QByteArray("\x01\x02", 2), 2);
    model->setPanel(2, QStringLiteral("before"));
    editor.setLines({QStringLiteral("R 48 X")});
    firmware().clearLog();
    model->AcSendSpeedExecute();
    EXPECT_FALSE(model->execution().BurstRunning);
    EXPECT_EQ(model->panel(2), QStringLiteral("before"));
    EXPECT_EQ(burst().fileTab().lineCount(), 1);
    EXPECT_EQ(burst().fileTab().line(0), QStringLiteral("01 02 "));
    EXPECT_TRUE(burst().fileTab().isShown());
    EXPECT_FALSE(firmware().log().contains(QStringLiteral("0B 41 48")));
}

TEST_F(BurstCaptureTest, ALineThatGivesNoTransactionUndoesTheStart)
{
    for (const QString& line : {QStringLiteral("R 48 QQ"), QStringLiteral("; comment only")}) {
        SCOPED_TRACE(line.toStdString());
        ui.boxes.clear();
        capture(line, 0);
        EXPECT_FALSE(model->execution().BurstRunning);
        EXPECT_TRUE(model->actions().ToFile);
        EXPECT_TRUE(model->panel(2).isEmpty());
        EXPECT_TRUE(model->chart().isShown());
        EXPECT_TRUE(burst().fileTab().isShown());
        EXPECT_FALSE(firmware().log().contains(QStringLiteral("0B 41 48")));
    }
    ASSERT_EQ(ui.boxes.size(), 0) << "the comment line shows no box";
}

TEST_F(BurstCaptureTest, ASyntaxErrorShowsTheCompilersBox)
{
    capture(QStringLiteral("R 48 QQ"), 0);
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes.first().text, QStringLiteral("Syntax ERROR"));
    EXPECT_FALSE(model->execution().BurstRunning);
}

TEST_F(BurstCaptureTest, FileErrorsShowABoxAndLeaveTheProgramIdle)
{
    // Cannot be created.
    burst().setFilePath(dir.filePath(QStringLiteral("missing/folder/capture.dat")));
    capture(QStringLiteral("R 48 X"), 0);
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_TRUE(ui.boxes.last().text.startsWith(QStringLiteral("Cannot create the capture file")));
    EXPECT_EQ(ui.boxes.last().caption, QStringLiteral("Error"));
    EXPECT_FALSE(model->execution().BurstRunning);
    EXPECT_FALSE(firmware().log().contains(QStringLiteral("0B 41 48")));
    EXPECT_TRUE(model->chart().isShown() && burst().fileTab().isShown());
    EXPECT_TRUE(model->actions().ToFile);

    // Gone by the time of the read-back.
    burst().setFilePath(capturePath());
    ASSERT_TRUE(capture(QStringLiteral("R 48 X"), 10));
    ASSERT_TRUE(QFile::remove(capturePath()));
    model->AcStopExecute();
    ASSERT_EQ(ui.boxes.size(), 2);
    EXPECT_TRUE(ui.boxes.last().text.startsWith(QStringLiteral("Cannot open the capture file")));
    EXPECT_TRUE(burst().fileFailed());
    EXPECT_FALSE(model->execution().BurstRunning);
    EXPECT_TRUE(model->chart().isShown() && burst().fileTab().isShown());
    EXPECT_TRUE(model->actions().ToFile);
}

TEST_F(BurstCaptureTest, ReportsThatCannotBeWrittenAreCountedAndReportedAtStop)
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        GTEST_SKIP() << "no /dev/full";
    burst().setFilePath(QStringLiteral("/dev/full"));
    sim.devices().first()->setBurstRate(0);
    ASSERT_TRUE(capture(QStringLiteral("R 48 X X X"), 3000));
    model->AcStopExecute();
    const qint64 reports = burst().recordsReceived() / 15;
    EXPECT_EQ(burst().unwrittenReports(), reports);
    EXPECT_TRUE(status.lines().contains(
        QStringLiteral(" Error - %1 burst reports could not be written to /dev/full")
            .arg(reports)));
    EXPECT_EQ(model->panel(2), QStringLiteral("Ct=0 Rate=0 smp/s"));
    EXPECT_GE(ui.beeps, 1) << "closing failed";
}

TEST_F(BurstCaptureTest, ResetDuringACaptureStopsAndReadsItBackFirst)
{
    ASSERT_TRUE(capture(QStringLiteral("R 49 X X"), 100));
    model->AcResetExecute();
    EXPECT_FALSE(model->execution().BurstRunning);
    EXPECT_GE(burst().records(), 100);
    EXPECT_EQ(burst().fileTab().lineCount(), burst().records());
    EXPECT_EQ(model->panel(2), QStringLiteral("reset device"));
    EXPECT_TRUE(status.lines().contains(QStringLiteral("RESET Device")));
    ASSERT_TRUE(waitFor([&] { return firmware().log().contains(QStringLiteral("19 00")); }));
    const QStringList log = firmware().log();
    ASSERT_TRUE(log.contains(QStringLiteral("00 00")));
    EXPECT_LT(log.indexOf(QStringLiteral("00 00")), log.indexOf(QStringLiteral("19 00")));
    EXPECT_EQ(captureFile().size(), burst().records() * 3) << "the file stays on disk";
    EXPECT_TRUE(model->actions().ToFile);
}

TEST_F(BurstCaptureTest, FileNameButtonAndClear)
{
    ui.fileReplies = {dir.filePath(QStringLiteral("sub/chosen.dat"))};
    burst().Button1Click();
    ASSERT_EQ(ui.fileRequests.size(), 1);
    const UiPort::FileRequest& r = ui.fileRequests.first();
    EXPECT_EQ(r.mode, UiPort::FileMode::Save);
    EXPECT_EQ(r.initialName, QStringLiteral("IIChighSpeed"));
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("dat"));
    EXPECT_EQ(r.filters,
              (QStringList{QStringLiteral("IIC files|*.dat"), QStringLiteral("All files|*.*")}));
    EXPECT_TRUE(r.confirmOverwrite);
    EXPECT_EQ(burst().fileLabel(), QStringLiteral("chosen.dat"));
    EXPECT_EQ(burst().filePath(), dir.filePath(QStringLiteral("sub/chosen.dat")));

    burst().Button1Click(); // cancelled
    EXPECT_EQ(burst().fileLabel(), QStringLiteral("chosen.dat"));

    burst().fileTab().appendRecords(QByteArray("\x0A\x0B", 2), 1);
    burst().Button2Click();
    EXPECT_EQ(burst().fileTab().lineCount(), 0);
}

TEST(BurstSummary, RateIsRoundedHalfToEvenAndZeroWithoutTime)
{
    struct Case
    {
        qint64 records;
        qint32 ms;
        qint64 rate;
    };
    const Case cases[] = {
        {5000, 10000, 500}, {1, 3, 333},  {2, 3, 667}, {1, 2000, 0}, {3, 2000, 2},
        {5, 2000, 2},       {7, 2000, 4}, {0, 0, 0},   {10, 0, 0},   {10, -5, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BurstCapture::rate(c.records, c.ms), c.rate) << c.records << "/" << c.ms;
    EXPECT_EQ(BurstCapture::summary(5000, 10000), QStringLiteral("Ct=5000 Rate=500 smp/s"));
}

} // namespace
