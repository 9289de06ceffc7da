#include "base/GuiHandoff.h"
#include "link/BridgeCommands.h"
#include "support/GatedClock.h"
#include "support/ModelFixture.h"

#include <cerrno>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTimer>

#include <chrono>
#include <thread>

namespace {

// Exchanges straight through the transport, with the poll timer out of the way.
class TransportTest : public ModelFixture
{
protected:
    void SetUp() override
    {
        sim.addBridges(1);
        createModel();
        ASSERT_TRUE(waitForBridges());
        model->control().pollTimer().stop();
        ASSERT_TRUE(waitForIdleLink());
        status.clear();
    }

    Transport& transport() { return model->transport(); }

    // Sends a read of two bytes from the temperature sensor and waits for the end.
    bool exchange(const TIIC_Packet& packet, int deadlineMs = 3000)
    {
        transport().StartTransfer(packet);
        return waitFor([&] { return !model->flags().WriteOutstanding; }, deadlineMs);
    }

    static TIIC_Packet temperatureRead()
    {
        TIIC_Packet p;
        p.Start = p.Stop = p.Read = true;
        p.Count = 2;
        p.Address = 0x48;
        return p;
    }
};

TEST_F(TransportTest, ALateReplyCompletesAndAMissingOneTimesOutOnce)
{
    const int threads = transport().transferThreadsCreated();
    sim.devices().first()->delayNextReplies(1, 700);
    ASSERT_TRUE(exchange(temperatureRead()));
    EXPECT_FALSE(model->flags().TransferFailed);
    EXPECT_TRUE(addressAcknowledged(transport().inputReport()));
    EXPECT_TRUE(status.lines().isEmpty());

    sim.devices().first()->dropNextReplies(1);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(exchange(temperatureRead()));
    // "More than 1000 ms" on the millisecond clock; the test timer truncates the same way.
    EXPECT_GE(timer.elapsed(), 1000);
    EXPECT_TRUE(model->flags().TransferFailed);
    // The line is handed to the GUI thread after the exchange has ended.
    ASSERT_TRUE(waitFor([&] { return !status.lines().isEmpty(); }));
    EXPECT_EQ(status.lines(), QStringList{QStringLiteral("Timeout")});
    EXPECT_EQ(transport().transferThread(), nullptr);

    // The next transfer creates a fresh thread and works.
    ASSERT_TRUE(exchange(temperatureRead()));
    EXPECT_EQ(transport().transferThreadsCreated(), threads + 1);
    EXPECT_FALSE(model->flags().TransferFailed);
    EXPECT_EQ(status.lines().size(), 1);
}

TEST_F(TransportTest, ADelayedWriteWaitsFromThePreviousWriteAndTheLimitStartsAfterIt)
{
    ASSERT_TRUE(exchange(temperatureRead()));
    QElapsedTimer sincePrevious;
    sincePrevious.start();
    // The reply takes 600 ms after an 800 ms delay: 1400 ms in all, still no time-out.
    sim.devices().first()->delayNextReplies(1, 600);
    TIIC_Packet delayed = temperatureRead();
    delayed.HasDelay = true;
    delayed.Delay = 800;
    ASSERT_TRUE(exchange(delayed, 4000));
    EXPECT_GE(sincePrevious.elapsed(), 1350);
    EXPECT_FALSE(model->flags().TransferFailed);
    EXPECT_TRUE(status.lines().isEmpty());

    // A delay that has already passed since the previous write began: written at once.
    pumpFor(60);
    delayed.Delay = 50;
    QElapsedTimer now;
    now.start();
    ASSERT_TRUE(exchange(delayed));
    EXPECT_LT(now.elapsed(), 500);
}

TEST_F(TransportTest, ATimedOutControlExchangeLeavesNoLineAndNoExpectation)
{
    sim.devices().first()->dropNextReplies(1);
    model->flags().ControlReplyExpected = true;
    ASSERT_TRUE(exchange(BridgeCommands::statusPoll(), 3000));
    EXPECT_TRUE(model->flags().TransferFailed);
    // A later transaction reply is not taken for a control reply. The flag is cleared on the
    // GUI thread, where the "Timeout" line would have been added.
    EXPECT_TRUE(waitFor([&] { return !model->flags().ControlReplyExpected; }));
    EXPECT_TRUE(status.lines().isEmpty());
}

TEST_F(TransportTest, AReportArrivingWhileTheHandlerPumpsGivesOneOverload)
{
    // One read thread never overlaps its own hand-offs, but the reports of two devices (a
    // selection change inside a pumping handler) can: here the second report is delivered
    // from the event loop that the first handler pumps.
    int reports = 0;
    const InputReport second{0x01, 0x42};
    transport().onTransactionReply = [&] {
        if (++reports > 1)
            return;
        QTimer::singleShot(0, [&] { transport().OnReport(nullptr, 0, second.data(), 64); });
        waitFor([&] { return reports == 2; }, 2000);
    };
    ASSERT_TRUE(exchange(temperatureRead()));
    ASSERT_TRUE(waitFor([&] { return reports == 2; }));
    EXPECT_EQ(status.lines(), QStringList{QStringLiteral("overload")});
    EXPECT_EQ(transport().inputReport()[1], 0x42);
    EXPECT_FALSE(model->transport().ReportHandlerBusy());
}

TEST_F(TransportTest, AReadFailureDuringAPollLeavesNoControlExpectationBehind)
{
    // A status poll is in flight (its reply lost) when the device's read fails.
    SimDevice& bridge = *sim.devices().first();
    bridge.dropNextReplies(1);
    const quint64 received = bridge.reportsReceived();
    model->flags().ControlReplyExpected = true;
    transport().StartTransfer(BridgeCommands::statusPoll());
    ASSERT_TRUE(waitFor([&] { return bridge.reportsReceived() > received; }));
    transport().OnReadError(transport().device(), EIO);
    EXPECT_TRUE(model->flags().TransferFailed);
    EXPECT_FALSE(model->flags().WriteOutstanding);
    EXPECT_FALSE(model->flags().ControlReplyExpected);

    // The next Send gets its own reply instead of waiting for it until Reset.
    editor.setLines({QStringLiteral("R 48 X X")});
    QTimer::singleShot(3000, model.get(), [&] {
        if (model->execution().SendBusy)
            model->AcResetExecute();
    });
    model->AcSendExecute();
    ASSERT_FALSE(status.lines().isEmpty());
    EXPECT_TRUE(status.lines().first().startsWith(QStringLiteral("s 91+ ")))
        << status.lines().join('|').toStdString();
    EXPECT_FALSE(status.lines().contains(QStringLiteral("RESET Device")));
}

TEST_F(TransportTest, AReplyThatComesAfterTheWatchdogGaveUpIsNoTransactionsReply)
{
    // A transaction of a Send times out; its reply comes just after that.
    model->execution().SendBusy = true;
    sim.devices().first()->dropNextReplies(1);
    transport().StartTransfer(temperatureRead());
    ASSERT_TRUE(waitFor([&] { return status.lines().contains(QStringLiteral("Timeout")); }));
    ASSERT_TRUE(model->flags().TransferFailed);
    model->flags().TransferFailed = false; // seen by the Send
    const InputReport late{0x01, 0xAA, 0xBB};
    transport().OnReport(transport().device(), 0, late.data(), 64);
    EXPECT_FALSE(model->execution().ReplyReceived) << "it would be taken for the next one's";
    EXPECT_FALSE(model->flags().WriteOutstanding);

    // The next transaction gets its own reply.
    transport().StartTransfer(temperatureRead());
    ASSERT_TRUE(waitFor([&] { return model->execution().ReplyReceived; }));
    EXPECT_NE(transport().inputReport()[1], 0xAA);
    EXPECT_FALSE(model->flags().TransferFailed);
    model->execution().SendBusy = false;
}

// The watchdog on a clock the test sets, held at the moment it decides about a time-out.
class WatchdogRaceTest : public ModelFixture
{
protected:
    void SetUp() override
    {
        sim.addBridges(1);
        sim.devices().first()->setReplyLatencyMs(0);
        clock.set(1);
        createModel({}, clock);
        ASSERT_TRUE(waitForBridges());
        model->control().pollTimer().stop();
        ASSERT_TRUE(waitForIdleLink());
        status.clear();
    }

    Transport& transport() { return model->transport(); }

    // Starts a read that gets no reply and, once the bridge has it, moves the clock past the
    // limit.
    void startUnansweredRead()
    {
        SimDevice& bridge = *sim.devices().first();
        bridge.dropNextReplies(1);
        const quint64 received = bridge.reportsReceived();
        transport().StartTransfer(temperatureRead());
        ASSERT_TRUE(waitFor([&] { return bridge.reportsReceived() > received; }));
        clock.set(clock.now() + TTimeout::LimitMs + 1);
    }

    static TIIC_Packet temperatureRead()
    {
        TIIC_Packet p;
        p.Start = p.Stop = p.Read = true;
        p.Count = 2;
        p.Address = 0x48;
        return p;
    }

    // Gives a time-out that is wrongly taken a chance to show.
    bool timeoutShows()
    {
        return waitFor(
            [&] {
                return model->flags().TransferFailed ||
                       status.lines().contains(QStringLiteral("Timeout"));
            },
            300);
    }

    GatedClock clock;
};

TEST_F(WatchdogRaceTest, AReplyThatComesWhileTheWatchdogReadsTheClockIsNoTimeout)
{
    clock.holdWatchdogFrom(clock.now() + TTimeout::LimitMs);
    startUnansweredRead();
    ASSERT_TRUE(waitFor([&] { return clock.watchdogHeld(); }, 3000));
    // The reply arrives at the limit, while the watchdog has the time in hand.
    const InputReport reply{0x01, 0x19, 0x00};
    transport().OnReport(transport().device(), 0, reply.data(), 64);
    EXPECT_FALSE(model->flags().WriteOutstanding);
    clock.release();
    ASSERT_TRUE(waitFor([&] { return clock.passes() == 1; }));
    EXPECT_FALSE(timeoutShows()) << "a reply that came in time counted as a time-out";
    EXPECT_NE(transport().transferThread(), nullptr);
}

TEST_F(WatchdogRaceTest, AGivenUpExchangesEndLeavesTheNextExchangeAlone)
{
    const int threads = transport().transferThreadsCreated();
    {
        // The watchdog decides to give up and then waits for the transfer lock, which the
        // GUI thread holds while the late reply comes and the next exchange starts (as the
        // burst retry starts one without waiting for the link).
        std::lock_guard lock(transport().TransferLock());
        startUnansweredRead();
        ASSERT_TRUE(
            waitFor([&] { return transport().watchdog().state() == TTimeout::Idle; }, 3000));
        const InputReport late{0x01, 0x19, 0x00};
        transport().OnReport(transport().device(), 0, late.data(), 64);
        transport().StartTransfer(temperatureRead());
    }
    ASSERT_TRUE(waitFor([&] { return !model->flags().WriteOutstanding; }));
    EXPECT_FALSE(timeoutShows()) << "the old exchange's time-out failed the new one";
    EXPECT_EQ(transport().transferThreadsCreated(), threads);
    EXPECT_NE(transport().transferThread(), nullptr) << "the new exchange's thread was destroyed";
    EXPECT_TRUE(addressAcknowledged(transport().inputReport()));
}

TEST_F(WatchdogRaceTest, ATransactionsTimeoutIsShownWhenAPollStartsBeforeItsLineIsHandedOver)
{
    startUnansweredRead();
    // The watchdog ends the exchange and waits for the GUI thread to take its "Timeout" line,
    // which it does not do while this loop runs.
    const QDeadlineTimer deadline(3000);
    while ((model->flags().WriteOutstanding || GuiHandoff::instance().queuedCalls() == 0) &&
           !deadline.hasExpired())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(model->flags().WriteOutstanding);
    ASSERT_GT(GuiHandoff::instance().queuedCalls(), 0);
    // The poll timer's next tick: the line of the transaction that timed out still shows, and
    // the poll keeps its own expectation.
    model->flags().ControlReplyExpected = true;
    transport().StartTransfer(BridgeCommands::statusPoll());
    EXPECT_EQ(status.lines(), QStringList{QStringLiteral("Timeout")});
    EXPECT_TRUE(model->flags().ControlReplyExpected);
    ASSERT_TRUE(waitFor([&] { return !model->flags().WriteOutstanding; }));
    EXPECT_FALSE(model->flags().ControlReplyExpected) << "taken by the poll's reply";
    EXPECT_EQ(status.lines(), QStringList{QStringLiteral("Timeout")});
}

TEST(TransportWithoutBridge, StartTransferSendsNothingAndClearsTheReply)
{
    SimPlatform sim;
    RecordingUiPort ui;
    MemoryCommandEditor editor;
    MemoryStatusWindow status;
    QTemporaryDir dir;
    MainModel::Paths paths;
    paths.autosave = {dir.filePath("a.cmd"), dir.filePath("a.cmd")};
    MainModel model(sim, ui, editor, status, paths);
    model.start();
    TIIC_Packet p = BridgeCommands::versionQuery();
    model.transport().StartTransfer(p);
    EXPECT_FALSE(model.flags().WriteOutstanding);
    EXPECT_EQ(model.transport().transferThreadsCreated(), 0);
    const InputReport& in = model.transport().inputReport();
    EXPECT_TRUE(std::all_of(in.begin(), in.end(), [](quint8 b) { return b == 0; }));
    EXPECT_EQ(model.transport().outputReport()[1], 0x03);
}

} // namespace
