#include "data/TVarType.h"
#include "script/BurstCapture.h"
#include "support/ModelFixture.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

#include <algorithm>
#include <functional>

namespace {

// Faults of the link in the middle of a run on the simulated bridge: a reply dropped, delayed
// past the watchdog's 1000 ms, sent twice or corrupted, reads that fail, and the bridge
// unplugged. Each run ends in its documented state (status lines, flags, enabled commands),
// without hanging; a burst keeps every record that arrived before the fault.
enum class Fault { Drop, Delay, Duplicate, Corrupt, ReadsFail, Unplug };

const char* name(Fault fault)
{
    switch (fault) {
    case Fault::Drop:
        return "reply dropped";
    case Fault::Delay:
        return "reply 1300 ms late";
    case Fault::Duplicate:
        return "reply sent twice";
    case Fault::Corrupt:
        return "reply corrupted";
    case Fault::ReadsFail:
        return "reads fail";
    case Fault::Unplug:
        return "bridge unplugged";
    }
    return "";
}

const QString Timeout = QStringLiteral("Timeout");
const QString NotAcknowledged = QStringLiteral("s 91- FF- FF- p ");

class MidRunFaultTest : public ModelFixture
{
protected:
    // A fresh model on `bridges` fast bridges (none left from the case before), the first
    // selected; the poll timer stopped so that the faults hit the run's own exchanges.
    void start(int bridges = 1)
    {
        model.reset();
        for (SimDevice* d : sim.devices())
            sim.remove(*d);
        sim.addBridges(bridges);
        for (SimDevice* d : sim.devices())
            d->setReplyLatencyMs(0);
        createModel();
        ASSERT_TRUE(waitForBridges(bridges));
        model->control().pollTimer().stop();
        ASSERT_TRUE(waitForIdleLink());
        status.clear();
    }

    SimDevice& bridge(int i = 0) { return *sim.devices().at(i); }

    // The reply faults are set before the exchange they hit goes out (replies come at once);
    // a read failure and an unplug come once the bridge has taken the report, its reply lost.
    void arm(Fault fault, int faultFreeReplies = 0)
    {
        SimDevice& b = bridge();
        b.faultFreeReplies(faultFreeReplies);
        switch (fault) {
        case Fault::Drop:
            b.dropNextReplies(1);
            break;
        case Fault::Delay:
            b.delayNextReplies(1, 1300);
            break;
        case Fault::Duplicate:
            b.duplicateNextReplies(1);
            break;
        case Fault::Corrupt:
            b.corruptNextReplies(1);
            break;
        case Fault::ReadsFail:
            b.dropNextReplies(1);
            afterReports(faultFreeReplies + 1, [&b] { b.failReads(1); });
            break;
        case Fault::Unplug:
            b.dropNextReplies(1);
            afterReports(faultFreeReplies + 1, [&b] { b.unplug(); });
            break;
        }
    }

    // Runs action from the event loop once the first bridge has taken count more reports.
    void afterReports(int count, std::function<void()> action)
    {
        const quint64 target = bridge().reportsReceived() + quint64(count);
        QObject::disconnect(watch);
        watch = QObject::connect(&watcher, &QTimer::timeout, [this, target, action] {
            if (bridge().reportsReceived() < target)
                return;
            watcher.stop();
            action();
        });
        watcher.start(1);
    }

    // Counts the transaction reports the host takes in, late ones included.
    void countReports()
    {
        reports = 0;
        std::function<void()> handle = model->transport().onTransactionReply;
        model->transport().onTransactionReply = [this, handle] {
            ++reports;
            handle();
        };
    }

    // Once the host has taken in what the bridge sent (a late or second reply included), a
    // Send of the EEPROM's bytes 10 and 11 shows exactly them: no result is shifted.
    void expectNextSendOwnResult(int reportsSent)
    {
        ASSERT_TRUE(waitFor([&] { return reports >= reportsSent; }, 3000));
        ASSERT_TRUE(waitForIdleLink());
        status.clear();
        editor.setLines({QStringLiteral("W 50 10 R 50 X X")});
        model->AcSendExecute();
        EXPECT_EQ(status.lines(), QStringList{QStringLiteral("s A0+ 10+ s A1+ 5A+ A5+ p ")});
    }

    void writeEeprom()
    {
        editor.setLines({QStringLiteral("S A0 10 5A A5 P")});
        model->AcSendExecute();
        status.clear();
    }

    int points(int variable = 0) { return int(model->chart().series(variable).count()); }

    QTimer watcher;
    QMetaObject::Connection watch;
    int reports = 0;
};

TEST_F(MidRunFaultTest, Send)
{
    const struct
    {
        Fault fault;
        QStringList lines;
    } cases[] = {
        {Fault::Drop, {NotAcknowledged, Timeout}},      {Fault::Delay, {NotAcknowledged, Timeout}},
        {Fault::Duplicate, {QStringLiteral("s 91+ ")}}, {Fault::Corrupt, {NotAcknowledged}},
        {Fault::ReadsFail, {NotAcknowledged}},          {Fault::Unplug, {NotAcknowledged}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(name(c.fault));
        start();
        writeEeprom();
        editor.setLines({QStringLiteral("R 48 X X")});
        countReports();
        arm(c.fault);
        QElapsedTimer run;
        run.start();
        model->AcSendExecute();
        EXPECT_FALSE(model->execution().SendBusy);
        EXPECT_EQ(model->panel(2), QStringLiteral("ok"));
        ASSERT_TRUE(waitForIdleLink());
        // A time-out takes its 1000 ms; the other faults end the transaction at once. The
        // "Timeout" line is handed over as the Send ends, and may come just after it.
        const bool timesOut = c.fault == Fault::Drop || c.fault == Fault::Delay;
        EXPECT_EQ(run.elapsed() >= 1000, timesOut) << run.elapsed() << " ms";
        if (timesOut) {
            ASSERT_TRUE(waitFor([&] { return status.lines().contains(Timeout); }));
        }
        if (c.fault == Fault::Duplicate) {
            ASSERT_TRUE(status.lines().value(0).startsWith(c.lines.first()))
                << status.lines().join('|').toStdString();
        } else {
            EXPECT_EQ(status.lines().mid(0, c.lines.size()), c.lines)
                << status.lines().join('|').toStdString();
        }
        if (c.fault == Fault::Unplug) {
            EXPECT_TRUE(waitFor([&] { return model->bridges().count() == 0; }));
            EXPECT_EQ(model->panel(3), QStringLiteral("disconnected"));
            EXPECT_FALSE(model->actions().Send);
            EXPECT_FALSE(model->actions().Reset);
            continue;
        }
        EXPECT_TRUE(model->actions().Send);
        EXPECT_TRUE(model->actions().SendRepeat);
        EXPECT_FALSE(model->actions().Stop);
        // The reports the bridge sent for the Send, the late or second one included.
        if (c.fault != Fault::ReadsFail)
            expectNextSendOwnResult(c.fault == Fault::Drop        ? 0
                                    : c.fault == Fault::Duplicate ? 2
                                                                  : 1);
    }
}

TEST_F(MidRunFaultTest, Repeat)
{
    const struct
    {
        Fault fault;
        bool goesOn; // Repeat gets further replies by itself
    } cases[] = {
        {Fault::Drop, false},   {Fault::Delay, true},      {Fault::Duplicate, true},
        {Fault::Corrupt, true}, {Fault::ReadsFail, false}, {Fault::Unplug, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(name(c.fault));
        // Unplugging the selected bridge of two leaves a bridge, so Stop stays enabled.
        start(c.fault == Fault::Unplug ? 2 : 1);
        model->variables().declare(0, QStringLiteral("SINE"), vtInt);
        model->variables().Scroll = 0;
        model->chart().putOnChart(0);
        editor.setLines({QStringLiteral("R 49 @SINE @1SINE")});
        model->setRepeatCount(0);
        arm(c.fault, 20);
        model->AcSendRepeatExecute();
        ASSERT_TRUE(waitFor([&] { return points() >= 10; }));
        // The fault hits the 21st exchange.
        if (c.goesOn) {
            EXPECT_TRUE(waitFor([&] { return points() >= 40; }, 3000)) << points();
        } else {
            ASSERT_TRUE(waitFor(
                [&] {
                    return status.lines().contains(Timeout) || !model->flags().WriteOutstanding;
                },
                3000));
            const int stalled = points();
            EXPECT_FALSE(waitFor([&] { return points() > stalled + 1; }, 600))
                << "a Repeat whose reply is lost gets no further step";
        }
        EXPECT_TRUE(model->execution().RepeatRunning);
        EXPECT_TRUE(model->actions().Stop);
        EXPECT_FALSE(model->actions().Send);
        // Repeat appends its results to the last line, "Timeout" too once the run goes on.
        const QStringList lines = status.lines();
        EXPECT_EQ(std::any_of(lines.begin(), lines.end(),
                              [](const QString& line) { return line.startsWith(Timeout); }),
                  c.fault == Fault::Drop || c.fault == Fault::Delay);
        if (c.fault == Fault::Corrupt) {
            EXPECT_TRUE(lines.contains(QStringLiteral("s 93- FF- FF- p ")));
        }
        model->AcStopExecute();
        EXPECT_FALSE(model->execution().RepeatRunning);
        ASSERT_TRUE(waitForIdleLink());
        EXPECT_TRUE(model->actions().Send);
        EXPECT_FALSE(model->actions().Stop);
    }
}

TEST_F(MidRunFaultTest, BusScan)
{
    // The probe of 0x49, a device that answers, is hit; the scan goes on to the end.
    const struct
    {
        Fault fault;
        bool found49;
    } cases[] = {
        {Fault::Drop, false},      {Fault::Delay, false},  {Fault::Corrupt, false},
        {Fault::ReadsFail, false}, {Fault::Unplug, false}, {Fault::Duplicate, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(name(c.fault));
        start(c.fault == Fault::Unplug ? 2 : 1);
        arm(c.fault, 0x49);
        model->AcListExecute();
        EXPECT_FALSE(model->execution().ListBusy);
        EXPECT_EQ(model->panel(2), QStringLiteral("ok"));
        const QStringList lines = status.lines();
        EXPECT_TRUE(lines.contains(QStringLiteral("  address :    90    48")));
        EXPECT_EQ(lines.contains(QStringLiteral("  address :    92    49")), c.found49);
        EXPECT_EQ(lines.contains(Timeout), c.fault == Fault::Drop || c.fault == Fault::Delay);
        // A reply that comes late or twice is taken for the next probe's (no report says
        // which exchange it answers): the scan's later results may move by one. The others
        // leave them as they are, the unplugged bridge's scan going on with the other one.
        if (c.fault != Fault::Delay && c.fault != Fault::Duplicate) {
            EXPECT_TRUE(lines.contains(QStringLiteral("  address :    A0    50")))
                << lines.join('|').toStdString();
        }
        if (c.fault == Fault::Unplug) {
            EXPECT_EQ(model->bridges().count(), 1);
        }
        ASSERT_TRUE(waitForIdleLink(3000));
        EXPECT_TRUE(model->actions().List);
    }
}

TEST_F(MidRunFaultTest, BurstKeepsEveryRecordThatArrivedBeforeTheFault)
{
    for (const Fault fault : {Fault::ReadsFail, Fault::Unplug}) {
        SCOPED_TRACE(name(fault));
        start(2);
        firmware(0).setBurstCounter(true);
        const QString path = dir.filePath(QStringLiteral("capture.dat"));
        model->burst().setFilePath(path);
        editor.setLines({QStringLiteral("R 49 X X X")});
        model->AcSendSpeedExecute();
        ASSERT_TRUE(waitFor([&] { return model->burst().recordsReceived() >= 300; }));
        if (fault == Fault::ReadsFail)
            bridge().failReads(3);
        else
            bridge().unplug();
        const qint64 atFault = model->burst().recordsReceived();
        if (fault == Fault::ReadsFail) {
            // Once reads work again the stream goes on where it was: nothing was lost.
            EXPECT_TRUE(waitFor([&] { return model->burst().recordsReceived() >= atFault + 300; }));
        } else {
            ASSERT_TRUE(waitFor([&] { return model->bridges().count() == 1; }));
        }
        EXPECT_TRUE(model->execution().BurstRunning);
        EXPECT_TRUE(model->actions().Stop);
        model->AcStopExecute();
        EXPECT_FALSE(model->execution().BurstRunning);
        // Every record that arrived is in the file, in order, none missing.
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        EXPECT_GE(model->burst().records(), atFault);
        EXPECT_EQ(bytes.size(), model->burst().records() * 4);
        for (qint64 r = 0; r < bytes.size() / 4; ++r) {
            const auto* record = reinterpret_cast<const quint8*>(bytes.constData()) + r * 4;
            const qint64 counter = record[1] | record[2] << 8 | record[3] << 16;
            ASSERT_EQ(counter, r) << "record " << r;
        }
    }
}

} // namespace
