#include "data/TVarType.h"
#include "support/ModelFixture.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {

class SendRepeatTest : public ModelFixture
{
protected:
    void SetUp() override { startWithOneFastBridge(); }

    // TEMP: the temperature register, an int read high byte first.
    void declareTemp()
    {
        model->variables().declare(0, QStringLiteral("TEMP"), vtInt);
        model->variables().Scroll = 0;
        model->chart().putOnChart(0);
    }

    int points(int variable = 0) { return model->chart().series(variable).count(); }

    bool runRepeat(int deadlineMs = 10000)
    {
        model->AcSendRepeatExecute();
        return waitFor([&] { return !model->execution().RepeatRunning; }, deadlineMs);
    }
};

TEST_F(SendRepeatTest, SendRunsTheCaretLineTheSelectionOrEveryLine)
{
    editor.setLines({QStringLiteral("R 48 X"), QStringLiteral("R 49 X X"),
                     QStringLiteral("S A0 00"), QStringLiteral("; last")});
    editor.setCaret({1, 3});
    model->AcSendExecute();
    EXPECT_EQ(status.lines().size(), 1);
    EXPECT_TRUE(status.lines().first().startsWith(QStringLiteral("s 93+ ")));
    EXPECT_EQ(model->panel(2), QStringLiteral("ok"));

    // A selection that ends at the very start of a line includes that line.
    status.clear();
    editor.select({1, 2}, {2, 0});
    model->AcSendExecute();
    EXPECT_EQ(status.lines().size(), 2);
    EXPECT_EQ(status.lines().at(1), QStringLiteral("s A0+ 00+ p "));

    status.clear();
    model->setSendAllStrings(true);
    model->AcSendExecute();
    EXPECT_EQ(status.lines().size(), 4);
    EXPECT_EQ(status.lines().last(), QStringLiteral("; LAST"));
    EXPECT_FALSE(model->execution().SendBusy);
    EXPECT_TRUE(model->actions().Send);
}

TEST_F(SendRepeatTest, ANotAcknowledgedLineIsShownAndDoesNotFeedTheChart)
{
    declareTemp();
    editor.setLines({QStringLiteral("W 48 00 R 48 @1TEMP @0TEMP"), QStringLiteral("R 4A @TEMP"),
                     QStringLiteral("W 48 00 R 48 @1TEMP @0TEMP ;again")});
    model->setSendAllStrings(true);
    model->AcSendExecute();
    ASSERT_EQ(status.lines().size(), 3);
    // The sensor reads about 25 degrees, high byte first: "19 xx".
    EXPECT_TRUE(status.lines().at(0).startsWith(QStringLiteral("s 90+ 00+ s 91+ 19+ ")));
    EXPECT_TRUE(status.lines().at(0).endsWith(QStringLiteral("+ p ")));
    EXPECT_EQ(status.lines().at(1), QStringLiteral("s 95- FF- p "));
    EXPECT_TRUE(status.lines().at(2).endsWith(QStringLiteral("+ p ;AGAIN")));
    EXPECT_EQ(points(), 2);
    const int low = status.lines().at(2).mid(20, 2).toInt(nullptr, 16);
    EXPECT_DOUBLE_EQ(model->chart().series(0).y(1), 0x1900 + low);
    EXPECT_TRUE(model->runner().sawFailure());
}

TEST_F(SendRepeatTest, ASyntaxErrorStopsSendAfterTheLinesBefore)
{
    editor.setLines(
        {QStringLiteral("R 48 X"), QStringLiteral("S A0 XX"), QStringLiteral("R 49 X")});
    model->setSendAllStrings(true);
    model->AcSendExecute();
    EXPECT_EQ(status.lines(), (QStringList{QStringLiteral("s 91+ 19+ p "), QString()}));
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes.first().text, QStringLiteral("Syntax ERROR"));
    EXPECT_EQ(ui.boxes.first().caption, QStringLiteral("Syntax"));
    EXPECT_EQ(model->panel(2), QStringLiteral("ok"));
    EXPECT_TRUE(model->runner().syntaxError());
    EXPECT_EQ(firmware().log().count(QStringLiteral("0B 01 49")), 0);
}

TEST_F(SendRepeatTest, AContinuedLineShowsItsResultsOnTwoLines)
{
    editor.setLines({QStringLiteral("W 50 00 +"), QStringLiteral("01 02")});
    model->setSendAllStrings(true);
    model->AcSendExecute();
    EXPECT_EQ(status.lines(),
              (QStringList{QStringLiteral("s A0+ 00+ "), QStringLiteral("01+ 02+ p ")}));
    EXPECT_EQ(firmware().eeprom().mid(0, 2), QByteArray("\x01\x02", 2));
}

TEST_F(SendRepeatTest, ResetDuringSendEndsItWithoutOk)
{
    sim.devices().first()->setReplyLatencyMs(300);
    editor.setLines({QStringLiteral("R 48 X"), QStringLiteral("R 48 X"), QStringLiteral("R 48 X")});
    model->setSendAllStrings(true);
    QTimer::singleShot(100, [&] { model->AcResetExecute(); });
    model->AcSendExecute();
    EXPECT_FALSE(model->execution().SendBusy);
    EXPECT_EQ(model->panel(2), QStringLiteral("reset device"));
    EXPECT_TRUE(status.lines().contains(QStringLiteral("RESET Device")));
    EXPECT_LT(status.lines().size(), 4);
    EXPECT_FALSE(model->execution().AbortRequested);
}

TEST_F(SendRepeatTest, RepeatCountsAcknowledgedTransactions)
{
    declareTemp();
    editor.setLines({QStringLiteral("R 48 @1TEMP @0TEMP")});
    model->setRepeatCount(10);
    ASSERT_TRUE(runRepeat());
    EXPECT_EQ(model->runner().acknowledgedCount(), 10);
    EXPECT_EQ(status.lines().size(), 10);
    EXPECT_EQ(points(), 10);
    EXPECT_EQ(model->chart().bottomAxisTitle(), QStringLiteral("samples count"));
    EXPECT_DOUBLE_EQ(model->chart().series(0).x(9), 9);

    // Two one-transaction lines: five passes.
    status.clear();
    firmware().clearLog();
    editor.setLines({QStringLiteral("R 48 @1TEMP @0TEMP"), QStringLiteral("R 49 X X ;sine")});
    model->setSendAllStrings(true);
    ASSERT_TRUE(runRepeat());
    EXPECT_EQ(firmware().log().count(QStringLiteral("0B 02 48")), 5);
    EXPECT_EQ(firmware().log().count(QStringLiteral("0B 02 49")), 5);
    EXPECT_TRUE(status.lines().at(1).endsWith(QStringLiteral(";SINE")));
}

TEST_F(SendRepeatTest, RepeatPausesBetweenPassesOnlyAboveFiveMilliseconds)
{
    editor.setLines({QStringLiteral("R 48 X")});
    model->setRepeatCount(3);
    model->setScanPeriodMs(5);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(runRepeat());
    EXPECT_LT(timer.elapsed(), 900);

    model->setRepeatCount(2);
    model->setScanPeriodMs(1000);
    timer.restart();
    ASSERT_TRUE(runRepeat());
    // Two passes: the second write no earlier than one second after the first one began.
    EXPECT_GE(timer.elapsed(), 990);
    EXPECT_FALSE(model->flags().TransferFailed);
}

TEST_F(SendRepeatTest, RepeatPassesOverLinesWithoutTransactionAndStopEndsIt)
{
    editor.setLines({QStringLiteral("; header"), QStringLiteral("R 48 X"), QString()});
    model->setSendAllStrings(true);
    model->setRepeatCount(2);
    ASSERT_TRUE(runRepeat());
    EXPECT_EQ(status.lines().first(), QStringLiteral("; HEADER"));
    EXPECT_EQ(model->runner().acknowledgedCount(), 2);

    // No line holds a transaction: one pass, then Repeat ends by itself.
    status.clear();
    editor.setLines({QStringLiteral("; a"), QString()});
    model->setRepeatCount(0);
    ASSERT_TRUE(runRepeat());
    EXPECT_EQ(status.lines().first(), QStringLiteral("; A"));

    // Count 0 runs until Stop; the editor is read-only meanwhile.
    editor.setLines({QStringLiteral("R 48 X")});
    model->AcSendRepeatExecute();
    ASSERT_TRUE(waitFor([&] { return model->runner().acknowledgedCount() >= 20; }));
    EXPECT_TRUE(editor.isReadOnly());
    EXPECT_TRUE(model->actions().Stop);
    model->AcStopExecute();
    EXPECT_FALSE(model->execution().RepeatRunning);
    EXPECT_FALSE(editor.isReadOnly());
}

TEST_F(SendRepeatTest, RepeatOnASilentDeviceNeverCountsAndRunsUntilStopped)
{
    editor.setLines({QStringLiteral("R 4A X")});
    model->setRepeatCount(3);
    model->AcSendRepeatExecute();
    ASSERT_TRUE(waitFor([&] { return status.lines().size() >= 10; }));
    EXPECT_EQ(model->runner().acknowledgedCount(), 0);
    EXPECT_TRUE(model->execution().RepeatRunning);
    model->AcResetExecute();
    EXPECT_FALSE(model->execution().RepeatRunning);
}

} // namespace
