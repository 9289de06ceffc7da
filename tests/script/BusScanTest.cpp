#include "script/BusScan.h"
#include "support/ModelFixture.h"

#include <QTimer>

namespace {

const QString Header = QStringLiteral("Devices list:  8bit  7bit  ");

class BusScanTest : public ModelFixture
{
protected:
    void SetUp() override { startWithOneFastBridge(); }

    // Scans a bus holding exactly these targets; returns the probes the bridge received.
    QStringList scan(const QList<quint8>& targets)
    {
        firmware().clearTargets();
        for (quint8 a : targets)
            firmware().addAckTarget(a);
        firmware().clearLog();
        status.clear();
        model->AcListExecute();
        return firmware().log();
    }
};

TEST_F(BusScanTest, ProbesEveryAddressAscendingAndListsTheOnesThatAnswer)
{
    const QStringList probes = scan({0x68, 0x50});
    ASSERT_EQ(probes.size(), 128) << "no poll between the probes";
    for (int a = 0; a < 128; ++a)
        EXPECT_EQ(probes[a], QStringLiteral("0B 01 %1").arg(a, 2, 16, QLatin1Char('0')).toUpper());
    EXPECT_EQ(status.lines(), (QStringList{Header, QStringLiteral("  address :    A0    50"),
                                           QStringLiteral("  address :    D0    68")}));
    EXPECT_EQ(model->firstFoundAddress(), 0x50);
    EXPECT_EQ(model->scan().found(), (QList<quint8>{0x50, 0x68}));
    EXPECT_EQ(model->panel(2), QStringLiteral("ok"));
    EXPECT_FALSE(model->execution().ListBusy);
    EXPECT_TRUE(model->actions().List);
}

TEST_F(BusScanTest, AnEmptyBusGivesOneLineAndKeepsTheFirstFoundAddress)
{
    model->setFirstFoundAddress(0x22);
    EXPECT_EQ(scan({}).size(), 128);
    EXPECT_EQ(status.lines(), QStringList{QStringLiteral("No devices found")});
    EXPECT_EQ(model->firstFoundAddress(), 0x22);
    EXPECT_EQ(model->panel(2), QStringLiteral("ok"));
}

TEST_F(BusScanTest, ASecondScanThatFindsDevicesReplacesTheFirstFoundAddress)
{
    scan({0x68});
    EXPECT_EQ(model->firstFoundAddress(), 0x68);
    // The general-call address is probed and listed like any other.
    scan({0x00, 0x68});
    EXPECT_EQ(status.lines(), (QStringList{Header, QStringLiteral("  address :    00    00"),
                                           QStringLiteral("  address :    D0    68")}));
    EXPECT_EQ(model->firstFoundAddress(), 0x00);
    scan({});
    EXPECT_EQ(model->firstFoundAddress(), 0x00);
    // Insert Command Line reads from the address found.
    scan({0x48});
    EXPECT_TRUE(model->commandLineForVariables().startsWith(QStringLiteral("r 48")));
}

TEST_F(BusScanTest, AProbeThatTimesOutCountsAsNoDeviceAndTheScanGoesOn)
{
    firmware().clearTargets();
    firmware().addAckTarget(0x00);
    firmware().addAckTarget(0x01);
    sim.devices().first()->dropNextReplies(1);
    model->AcListExecute();
    EXPECT_EQ(status.lines(), (QStringList{QStringLiteral("Timeout"), Header,
                                           QStringLiteral("  address :    02    01")}));
    EXPECT_EQ(model->firstFoundAddress(), 0x01);
    EXPECT_FALSE(model->flags().TransferFailed);
}

TEST_F(BusScanTest, OnlyResetInterruptsAScanWhichThenEndsWithoutOk)
{
    sim.devices().first()->setReplyLatencyMs(5);
    firmware().clearLog();
    ActionStates during;
    QTimer::singleShot(100, [&] {
        during = model->actions();
        model->AcStopExecute(); // disabled during a scan, and without effect on it
        model->AcResetExecute();
    });
    model->AcListExecute();
    EXPECT_FALSE(during.Stop);
    EXPECT_FALSE(during.Send);
    EXPECT_FALSE(during.List);
    EXPECT_TRUE(during.Reset);
    EXPECT_TRUE(model->scan().aborted());
    EXPECT_FALSE(model->execution().ListBusy);
    EXPECT_FALSE(model->execution().AbortRequested);
    EXPECT_EQ(model->panel(2), QStringLiteral("reset device"));
    EXPECT_TRUE(status.lines().contains(QStringLiteral("RESET Device")));
    EXPECT_FALSE(status.lines().contains(QStringLiteral("No devices found")));
    EXPECT_LT(firmware().log().count(), 100);
    EXPECT_TRUE(model->actions().List);
}

} // namespace
