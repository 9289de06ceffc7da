#include "link/BridgeCommands.h"
#include "support/ModelFixture.h"

namespace {

class BridgeControlTest : public ModelFixture
{
protected:
    void SetUp() override
    {
        sim.addBridges(1);
        createModel();
        ASSERT_TRUE(waitForBridges());
    }

    // Waits until the firmware received a report with this payload.
    bool waitForPayload(const QString& payload, int deadlineMs = 2000)
    {
        return waitFor([&] { return firmware().log().contains(payload); }, deadlineMs);
    }
};

TEST_F(BridgeControlTest, IdlePollShowsPowerAndTakesOverTheBridgesChoices)
{
    EXPECT_TRUE(waitForPayload(QStringLiteral("03 02 80")));
    ASSERT_TRUE(waitFor([&] { return model->panel(4) == QStringLiteral("Powered"); }));
    EXPECT_TRUE(model->targetPoweredCondition());

    // The bridge now runs +5 V at 400 kHz while the window shows External and 100K.
    const quint8 power5V[] = {0x02, 0x01, 0x80, 0x01};
    const quint8 speed400[] = {0x24, 0x00, 0x00};
    firmware().receive(power5V, sizeof power5V);
    firmware().receive(speed400, sizeof speed400);
    firmware().clearLog();
    ASSERT_TRUE(waitFor([&] { return model->control().powerChoice() == BridgeControl::Power5V; }));
    EXPECT_TRUE(model->control().speedChecked(BridgeControl::Speed400K));
    EXPECT_FALSE(model->control().speedChecked(BridgeControl::Speed100K));
    // Selecting the radio button counts as a click: the source goes back to the bridge once.
    EXPECT_TRUE(waitForPayload(QStringLiteral("02 01 80 01")));
    EXPECT_EQ(firmware().log().count(QStringLiteral("02 01 80 01")), 1);
}

TEST_F(BridgeControlTest, PowerAndSpeedChoicesSendTheirPayloads)
{
    struct Case
    {
        std::function<void(BridgeControl&)> click;
        QString payload;
        quint8 power;
        quint8 speed;
    };
    const std::vector<Case> cases = {
        {[](BridgeControl& c) { c.IICSpeed100K1Click(BridgeControl::Speed50K); },
         QStringLiteral("28 00"), 0, 0x08},
        {[](BridgeControl& c) { c.IICSpeed100K1Click(BridgeControl::Speed400K); },
         QStringLiteral("24 00 00"), 0, 0x04},
        {[](BridgeControl& c) { c.IICSpeed100K1Click(BridgeControl::Speed100K); },
         QStringLiteral("20 00"), 0, 0x00},
        {[](BridgeControl& c) { c.RB3VClick(); }, QStringLiteral("02 01 80 02"), 2, 0x00},
        {[](BridgeControl& c) { c.RB5VClick(); }, QStringLiteral("02 01 80 01"), 1, 0x00},
        {[](BridgeControl& c) { c.RBExtClick(); }, QStringLiteral("02 01 80 00"), 0, 0x00},
    };
    for (const Case& c : cases) {
        firmware().clearLog();
        c.click(model->control());
        EXPECT_TRUE(waitForPayload(c.payload)) << c.payload.toStdString();
        EXPECT_TRUE(waitFor([&] {
            return firmware().powerSource() == c.power && firmware().busSpeedCode() == c.speed;
        })) << c.payload.toStdString();
    }
}

TEST_F(BridgeControlTest, ChoicesWaitUntilTheRunEndsAndNoStatusIsAppliedBeforeThem)
{
    model->execution().RepeatRunning = true;
    ASSERT_TRUE(waitForIdleLink());
    firmware().clearLog();
    model->control().RB3VClick();
    pumpFor(600);
    EXPECT_TRUE(firmware().log().isEmpty());
    EXPECT_EQ(model->control().powerChoice(), BridgeControl::Power3V3);

    model->execution().RepeatRunning = false;
    EXPECT_TRUE(waitForPayload(QStringLiteral("02 01 80 02")));
    EXPECT_EQ(firmware().log().first(), QStringLiteral("02 01 80 02"));
    // The choice survived: no status reply in between put "External" back.
    EXPECT_EQ(model->control().powerChoice(), BridgeControl::Power3V3);
    EXPECT_TRUE(waitFor([&] { return firmware().powerSource() == 2; }));
}

TEST_F(BridgeControlTest, UndocumentedStatusValuesChangeNothing)
{
    model->control().pollTimer().stop();
    ASSERT_TRUE(waitForIdleLink());
    InputReport reply{};
    reply[0] = 0x04;
    reply[1] = 3;
    reply[2] = 0x0C;
    model->control().setControlTag(0);
    model->control().setPendingCommand(0);
    model->control().OnControlReply(reply);
    EXPECT_EQ(model->control().powerChoice(), BridgeControl::PowerExternal);
    EXPECT_TRUE(model->control().speedChecked(BridgeControl::Speed100K));
    EXPECT_EQ(model->control().PendingCommand(), 0);
}

TEST_F(BridgeControlTest, ResetSendsTheResetReportAndShowsIt)
{
    model->control().IICSpeed100K1Click(BridgeControl::Speed50K);
    ASSERT_TRUE(waitForPayload(QStringLiteral("28 00")));
    firmware().clearLog();
    model->AcResetExecute();
    EXPECT_EQ(model->panel(2), QStringLiteral("reset device"));
    EXPECT_EQ(status.lines().last(), QStringLiteral("RESET Device"));
    EXPECT_TRUE(model->control().speedChecked(BridgeControl::Speed100K));
    EXPECT_TRUE(waitForPayload(QStringLiteral("19 00")));
}

TEST_F(BridgeControlTest, ACommandChosenWithoutABridgeIsConsumedUnsent)
{
    sim.devices().first()->unplug();
    ASSERT_TRUE(waitFor([&] { return !model->Connected(); }));
    model->control().RB5VClick();
    ASSERT_TRUE(waitFor([&] { return model->control().PendingCommand() == 0; }));
    EXPECT_FALSE(model->flags().ControlReplyExpected);
    EXPECT_FALSE(model->flags().WriteOutstanding);
}

} // namespace
