#include "support/ModelFixture.h"

#include <QElapsedTimer>

namespace {

class BridgeListTest : public ModelFixture
{
protected:
    QStringList texts() { return model->bridges().texts(); }
};

TEST_F(BridgeListTest, FirstBridgeIsSelectedAndLabelledWithItsVersion)
{
    sim.addBridges(1);
    createModel();
    EXPECT_EQ(model->panel(3), QStringLiteral("disconnected"));
    // Arrivals come from the event loop, after start-up.
    EXPECT_EQ(model->bridges().count(), 0);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(waitForBridges());
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(model->panel(3), QStringLiteral("connected to N=1"));
    EXPECT_EQ(texts(), QStringList{QStringLiteral("USB-I2C converter N=SIM0001, Ver2.5")});
    EXPECT_TRUE(waitFor([&] { return model->control().pollTimer().interval() == 250; }));
    EXPECT_TRUE(model->Connected());
    EXPECT_TRUE(model->actions().Send);
}

TEST_F(BridgeListTest, ASecondBridgeIsQueriedThenTheChosenOneReturns)
{
    sim.addBridges(1);
    createModel();
    ASSERT_TRUE(waitForBridges());
    QStringList panels;
    QObject::connect(model.get(), &MainModel::panelsChanged, [&] { panels << model->panel(3); });
    sim.addBridges(1);
    ASSERT_TRUE(waitForBridges(2));
    EXPECT_TRUE(panels.contains(QStringLiteral("connected to N=2")));
    EXPECT_EQ(model->panel(3), QStringLiteral("connected to N=1"));
    EXPECT_EQ(texts(), (QStringList{QStringLiteral("USB-I2C converter N=SIM0001, Ver2.5"),
                                    QStringLiteral("USB-I2C converter N=SIM0002, Ver2.5")}));

    // A click selects the other entry and makes it the chosen one; the poll keeps it.
    model->ListBox1Click(1);
    EXPECT_EQ(model->panel(3), QStringLiteral("connected to N=2"));
    pumpFor(600);
    EXPECT_EQ(model->bridges().SelectedBridge(), model->bridges().entry(1));
}

TEST_F(BridgeListTest, UnplugginTheSelectedBridgeSelectsTheRemainingOne)
{
    sim.addBridges(2);
    createModel();
    ASSERT_TRUE(waitForBridges(2));
    sim.devices().first()->unplug();
    ASSERT_TRUE(waitFor([&] { return model->bridges().count() == 1; }));
    EXPECT_EQ(texts(), QStringList{QStringLiteral("USB-I2C converter N=SIM0002, Ver2.5")});
    EXPECT_EQ(model->bridges().SelectedBridge(), model->bridges().entry(0));
    EXPECT_EQ(model->bridges().ChosenBridge(), model->bridges().entry(0));
    EXPECT_EQ(model->panel(3), QStringLiteral("connected to N=1"));

    sim.devices().at(1)->unplug();
    ASSERT_TRUE(waitFor([&] { return model->bridges().count() == 0; }));
    EXPECT_EQ(model->panel(3), QStringLiteral("disconnected"));
    EXPECT_FALSE(model->actions().Reset);
    EXPECT_EQ(model->HIDCtl().LentDeviceCount(), 0);
}

TEST_F(BridgeListTest, BridgesWithTheSameSerialShareOneEntryAndOtherDevicesAreIgnored)
{
    sim.addBridge(QStringLiteral("SAME"));
    sim.addDevice(0x046D, 0xC31C, QStringLiteral("KB1"));
    createModel();
    ASSERT_TRUE(waitForBridges());
    sim.addBridge(QStringLiteral("SAME"));
    ASSERT_TRUE(waitFor([&] { return model->HIDCtl().Devices().size() == 3; }));
    pumpFor(100);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("USB-I2C converter N=SAME, Ver2.5")});

    // A non-bridge device leaving changes nothing.
    sim.devices().at(1)->unplug();
    ASSERT_TRUE(waitFor([&] { return model->HIDCtl().Devices().size() == 2; }));
    EXPECT_EQ(model->bridges().count(), 1);
}

TEST_F(BridgeListTest, AnInvalidVersionReplyLeavesTheEntryPendingAndIsAskedAgain)
{
    sim.addBridges(1);
    createModel();
    ASSERT_TRUE(waitForBridges());
    THIDBridge* bridge = model->bridges().SelectedBridge();
    bridge->VersionQueryPending = true;
    bridge->VersionMarker = 0;
    model->control().setControlTag(BridgeList::VersionTagBase);
    InputReport reply{};
    reply[0] = 0x01;
    reply[5] = 3;
    reply[6] = 1;
    reply[8] = 0x00; // not the 0xA5 marker
    model->control().OnControlReply(reply);
    EXPECT_TRUE(bridge->VersionQueryPending);
    EXPECT_EQ(model->control().ControlTag(), 0);
    EXPECT_EQ(bridge->FirmwareMajor, 2);
    EXPECT_FALSE(texts().first().contains(QStringLiteral("Ver3.1")));

    // An unacknowledged reply keeps the tag, so the next tick asks the same entry again.
    model->control().setControlTag(BridgeList::VersionTagBase);
    reply[0] = 0x00;
    model->control().OnControlReply(reply);
    EXPECT_EQ(model->control().ControlTag(), BridgeList::VersionTagBase);

    // The poll timer queries again and the real reply labels the entry.
    ASSERT_TRUE(waitForBridges());
    EXPECT_EQ(texts(), QStringList{QStringLiteral("USB-I2C converter N=SIM0001, Ver2.5")});
}

TEST_F(BridgeListTest, MoreThanElevenBridgesAllGetTheirVersion)
{
    sim.addBridges(13);
    for (int i = 0; i < 13; ++i)
        sim.devices().at(i)->setReplyLatencyMs(0);
    createModel();
    ASSERT_TRUE(waitForBridges(13, 15000));
    EXPECT_EQ(texts().last(), QStringLiteral("USB-I2C converter N=SIM0013, Ver2.5"));
}

// The status polls a simulated bridge has received so far.
qsizetype statusPolls(SimFirmware& fw)
{
    return fw.log().count(QStringLiteral("03 02 80"));
}

TEST_F(BridgeListTest, ABridgeRemovedWhileAClickSelectsItLeavesTheFirstOneSelectedAndChosen)
{
    sim.addBridges(2);
    createModel();
    ASSERT_TRUE(waitForBridges(2));
    // The clicked bridge falls off the bus as its read starts, in the 50 ms the selection waits.
    sim.devices().at(1)->unplugOnNextOpen(HidAccess::Read);
    model->ListBox1Click(1);
    BridgeList& list = model->bridges();
    ASSERT_TRUE(waitFor([&] { return list.count() == 1; }));
    EXPECT_TRUE(waitFor([&] {
        return list.SelectedBridge() == list.entry(0) && list.ChosenBridge() == list.entry(0);
    })) << "selected "
        << list.SelectedBridge() << ", chosen " << list.ChosenBridge();
    EXPECT_EQ(model->panel(3), QStringLiteral("connected to N=1"));
    const qsizetype polls = statusPolls(firmware(0));
    EXPECT_TRUE(waitFor([&] { return statusPolls(firmware(0)) >= polls + 2; }))
        << "the poll reaches the remaining bridge";
}

TEST_F(BridgeListTest, ABridgeRemovedWhileItsVersionIsAskedLeavesTheOthersPolled)
{
    sim.addBridges(1);
    createModel();
    ASSERT_TRUE(waitForBridges());
    // The new bridge falls off the bus as the version query selects it.
    SimDevice& second = sim.addBridge(QStringLiteral("SIM0002"));
    second.unplugOnNextOpen(HidAccess::Read);
    BridgeList& list = model->bridges();
    ASSERT_TRUE(waitFor([&] { return !second.pluggedIn() && list.count() == 1; }));
    EXPECT_TRUE(waitFor([&] {
        return list.SelectedBridge() == list.entry(0) &&
               model->control().ControlTag() < BridgeList::VersionTagBase &&
               model->control().pollTimer().interval() == BridgeControl::PollIntervalMs;
    })) << "selected "
        << list.SelectedBridge() << ", tag " << int(model->control().ControlTag());
    EXPECT_EQ(list.ChosenBridge(), list.entry(0));
    const qsizetype polls = statusPolls(firmware(0));
    EXPECT_TRUE(waitFor([&] { return statusPolls(firmware(0)) >= polls + 2; }))
        << "the poll reaches the remaining bridge";
    EXPECT_EQ(texts(), QStringList{QStringLiteral("USB-I2C converter N=SIM0001, Ver2.5")});
}

} // namespace
