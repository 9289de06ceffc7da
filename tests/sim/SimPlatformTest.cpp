#include "sim/SimPlatform.h"
#include "link/THidDevice.h"
#include "link/THidDeviceController.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace {

// A controller on a SimPlatform that lends the bridge with the wanted serial as it arrives
// and records its replies.
class SimBridgeLink : public ::testing::Test
{
protected:
    void SetUp() override
    {
        controller = std::make_unique<THidDeviceController>(sim);
        controller->setOnArrival([this](THidDevice* d) {
            arrivals << d->SerialNumber();
            if (d->SerialNumber() != wanted || held)
                return;
            ASSERT_TRUE(controller->LendDevice(d));
            d->setOnReadFailure([this](THidDevice*, quint32 error) { failures << error; });
            d->setOnInputReport([this](THidDevice*, quint8, const quint8* data, quint16 size) {
                replies.append(QByteArray(reinterpret_cast<const char*>(data), size));
            });
            held = d;
        });
        controller->setOnRemoval([this](THidDevice* d) {
            removals << d->SerialNumber();
            if (d == held)
                controller->ReturnDevice(held);
        });
    }

    // A device still lent when its controller goes is left to its holder to delete.
    void TearDown() override
    {
        if (held)
            controller->ReturnDevice(held);
    }

    void start()
    {
        controller->start();
        ASSERT_TRUE(waitFor([&] { return controller->EnumerationCount() > 0; }));
    }

    bool write(std::initializer_list<int> bytes)
    {
        quint8 report[65] = {};
        int i = 1;
        for (int b : bytes)
            report[i++] = quint8(b);
        return held && held->WriteOverlapped(report, sizeof report) && held->WaitWrite(1000);
    }

    // One exchange: the reply, or an empty array when none came within the deadline.
    QByteArray exchange(std::initializer_list<int> bytes, int deadlineMs = 2000)
    {
        const int before = replies.size();
        if (!write(bytes))
            return {};
        if (!waitFor([&] { return replies.size() > before; }, deadlineMs))
            return {};
        return replies.at(before);
    }

    SimPlatform sim;
    std::unique_ptr<THidDeviceController> controller;
    QString wanted = QStringLiteral("SIM0001");
    THidDevice* held = nullptr;
    QStringList arrivals;
    QStringList removals;
    QList<QByteArray> replies;
    QList<quint32> failures;
};

TEST_F(SimBridgeLink, BridgesNonBridgesAndOddSerialsAsTheLayerSeesThem)
{
    sim.addBridges(2);
    sim.addDevice(0x046D, 0xC31C, QStringLiteral("KB1"));
    sim.addBridge(QString());
    sim.addBridge(QStringLiteral("SIM0001"));
    QList<THidCaps> caps;
    QList<THidAttributes> attributes;
    controller->setOnArrival([&](THidDevice* d) {
        arrivals << d->SerialNumber();
        caps << d->Caps();
        attributes << d->Attributes();
    });
    start();
    EXPECT_EQ(arrivals, QStringList({"SIM0001", "SIM0002", "KB1", "", "SIM0001"}));
    ASSERT_EQ(caps.size(), 5);
    EXPECT_EQ(caps[0].InputReportByteLength, 65);
    EXPECT_EQ(caps[1].OutputReportByteLength, 65);
    EXPECT_EQ(caps[2].InputReportByteLength, 9);
    EXPECT_EQ(attributes[0].VendorID, TAVIRO_BRIDGE_VID);
    EXPECT_EQ(attributes[0].ProductID, TAVIRO_BRIDGE_PID);
    EXPECT_EQ(attributes[0].VersionNumber, 0);
    EXPECT_EQ(attributes[2].VendorID, 0x046D);
}

TEST_F(SimBridgeLink, EveryPlugAndUnplugNotifiesTheGuiThread)
{
    SimDevice& b = sim.addBridge(QStringLiteral("SIM0001"));
    start();
    ASSERT_NE(held, nullptr);
    b.unplug();
    ASSERT_TRUE(waitFor([&] { return removals.size() == 1; }));
    EXPECT_EQ(held, nullptr);
    EXPECT_TRUE(controller->Devices().isEmpty());
    b.plug();
    ASSERT_TRUE(waitFor([&] { return held != nullptr; }));
    EXPECT_EQ(arrivals, QStringList({"SIM0001", "SIM0001"}));
}

TEST_F(SimBridgeLink, OneReplyPerReportAndTheLogOfWhatArrived)
{
    SimDevice& b = sim.addBridge(QStringLiteral("SIM0001"));
    start();
    const QByteArray version = exchange({0x03, 0x08, 0x81});
    ASSERT_EQ(version.size(), 64);
    EXPECT_EQ(version[5], 2);
    EXPECT_EQ(version[6], 5);
    const QByteArray ack = exchange({0x0A, 0x02, 0x50, 0x00, 0x42});
    EXPECT_EQ(ack.left(3), QByteArray("\x01\x01\x01", 3));
    EXPECT_EQ(b.firmware()->log(), QStringList({"03 08 81", "0A 02 50 00 42"}));
    EXPECT_EQ(b.repliesSent(), 2u);
}

TEST_F(SimBridgeLink, DroppedDelayedAndCorruptedReplies)
{
    SimDevice& b = sim.addBridge(QStringLiteral("SIM0001"));
    start();
    b.dropNextReplies(1);
    EXPECT_TRUE(exchange({0x03, 0x02, 0x80}, 200).isEmpty());
    b.corruptNextReplies(1);
    const QByteArray corrupt = exchange({0x03, 0x08, 0x81});
    ASSERT_EQ(corrupt.size(), 64);
    EXPECT_NE(quint8(corrupt[8]), 0xA5);
    b.delayNextReplies(1, 150);
    const int before = replies.size();
    ASSERT_TRUE(write({0x03, 0x08, 0x81}));
    EXPECT_FALSE(waitFor([&] { return replies.size() > before; }, 50)) << "still delayed";
    ASSERT_TRUE(waitFor([&] { return replies.size() > before; }));
    EXPECT_EQ(quint8(replies.last()[8]), 0xA5);
}

TEST_F(SimBridgeLink, FailedReadsReachOnReadFailure)
{
    SimDevice& b = sim.addBridge(QStringLiteral("SIM0001"));
    b.failNextReads(2);
    start();
    ASSERT_TRUE(waitFor([&] { return failures.size() == 2; }));
    EXPECT_EQ(failures, QList<quint32>({EIO, EIO}));
    EXPECT_EQ(exchange({0x03, 0x02, 0x80}).size(), 64) << "reads go on afterwards";
}

TEST_F(SimBridgeLink, ABridgeWithoutDataAccessIsListedButCannotBeUsed)
{
    SimDevice& b = sim.addBridge(QStringLiteral("SIM0001"));
    b.setDataAccessError(EACCES);
    sim.addBridge(QStringLiteral("SIM0002")).setOpenable(false);
    sim.addBridge(QStringLiteral("SIM0003")).setAttributesReadable(false);
    start();
    ASSERT_EQ(controller->Devices().size(), 1);
    THidDevice* d = controller->Devices().first();
    EXPECT_FALSE(d->ReadWriteAllowed());
    EXPECT_EQ(d->OpenError(), quint32(EACCES));
    EXPECT_EQ(arrivals, QStringList({"SIM0001"})) << "the serial comes without data access";
    EXPECT_FALSE(d->HasReadThread());
}

TEST_F(SimBridgeLink, BurstStreamsAtTheSetRateWithoutLosingRecords)
{
    SimDevice& b = sim.addBridge(QStringLiteral("SIM0001"));
    b.setBurstRate(0);
    b.setReplyLatencyMs(0);
    b.firmware()->setBurstCounter(true);
    start();
    ASSERT_TRUE(write({0x0B, 0x43, 0x48})); // 3 bytes per record, 15 records per report
    ASSERT_TRUE(waitFor([&] { return replies.size() >= 500; }));
    ASSERT_TRUE(write({0x00, 0x00}));
    ASSERT_TRUE(waitFor([&] { return !b.firmware()->streaming(); }));
    const quint64 streamed = b.firmware()->burstReportsStreamed();
    ASSERT_TRUE(waitFor([&] { return quint64(replies.size()) >= streamed + 1; }));
    quint32 expected = 0;
    for (quint64 r = 0; r < streamed; ++r) {
        for (int k = 0; k < 15; ++k) {
            const char* rec = replies.at(int(r)).constData() + k * 4;
            const quint32 counter = quint8(rec[1]) | quint8(rec[2]) << 8 | quint8(rec[3]) << 16;
            ASSERT_EQ(counter, expected++ & 0xFFFFFF) << "report " << r << " record " << k;
        }
    }
}

TEST_F(SimBridgeLink,
       EnteringTheBootLoaderReplugsWithTheSameSerialAndFinishingReturnsToTheApplication)
{
    SimDevice& b = sim.addBridge(QStringLiteral("SIM0001"));
    b.setRebootDelayMs(10);
    start();
    ASSERT_TRUE(write({0x02, 0x00, 0x82}));
    ASSERT_TRUE(waitFor([&] { return removals.size() == 1 && held != nullptr; }));
    EXPECT_EQ(arrivals, QStringList({"SIM0001", "SIM0001"}));
    EXPECT_EQ(b.firmware()->mode(), SimFirmware::Mode::BootLoader);
    EXPECT_EQ(quint8(exchange({0xFF})[0]), 0xFF);
    ASSERT_TRUE(write({0x99}));
    ASSERT_TRUE(waitFor([&] { return removals.size() == 2 && held != nullptr; }));
    EXPECT_EQ(b.firmware()->mode(), SimFirmware::Mode::Application);
}

TEST_F(SimBridgeLink, APlatformThatCannotStartHasNoDevices)
{
    sim.addBridges(1);
    sim.setStartFails(true);
    controller->start();
    EXPECT_FALSE(controller->PlatformStarted());
    controller->DeviceChange();
    EXPECT_TRUE(controller->Devices().isEmpty());
}

} // namespace
