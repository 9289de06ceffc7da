#include "link/HidrawPlatform.h"
#include "link/THidDevice.h"
#include "link/THidDeviceController.h"
#include "sim/SimUhidDevice.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// CTest counts exit code 77 as skipped.
void skipWithoutUhid()
{
    if (!SimUhidDevice::available()) {
        std::fprintf(stderr, "/dev/uhid is not available: skipped\n");
        std::exit(77);
    }
}

// The simulated firmware behind /dev/uhid, seen through hidraw and the HID layer: identity
// from udev, lengths from the report descriptor, report IDs added in front of reads.
TEST(HidrawUhid, ASimulatedBridgeBehindUhidAnswersThroughHidraw)
{
    skipWithoutUhid();
    SimUhidDevice bridge(QStringLiteral("UHID0001"));
    QString error;
    ASSERT_TRUE(bridge.create(&error)) << error.toStdString();

    HidrawPlatform platform;
    THidDeviceController controller(platform);
    THidDevice* device = nullptr;
    QList<QByteArray> replies;
    controller.setOnArrival([&](THidDevice* d) {
        if (d->SerialNumber() != QLatin1String("UHID0001") || device)
            return;
        EXPECT_EQ(d->Attributes().VendorID, TAVIRO_BRIDGE_VID);
        EXPECT_EQ(d->Attributes().ProductID, TAVIRO_BRIDGE_PID);
        EXPECT_EQ(d->Attributes().VersionNumber, 0) << "no USB parent";
        EXPECT_EQ(d->Caps().InputReportByteLength, 65);
        EXPECT_EQ(d->Caps().OutputReportByteLength, 65);
        ASSERT_TRUE(controller.LendDevice(d));
        d->setOnInputReport([&](THidDevice*, quint8 id, const quint8* data, quint16 size) {
            EXPECT_EQ(id, 0);
            replies.append(QByteArray(reinterpret_cast<const char*>(data), size));
        });
        device = d;
    });
    controller.start();
    // udev (or the rescan without udevd) reports the new node.
    ASSERT_TRUE(waitFor([&] { return device != nullptr; }, 10000));
    ASSERT_TRUE(device->ReadWriteAllowed()) << "no access to the hidraw node";

    const quint8 versionQuery[65] = {0x00, 0x03, 0x08, 0x81};
    ASSERT_TRUE(device->WriteOverlapped(versionQuery, sizeof versionQuery));
    EXPECT_TRUE(device->WaitWrite(2000));
    ASSERT_TRUE(waitFor([&] { return !replies.isEmpty(); }));
    ASSERT_EQ(replies[0].size(), 64);
    EXPECT_EQ(replies[0][0] & 0x01, 0x01);
    EXPECT_EQ(replies[0][5], 2);
    EXPECT_EQ(replies[0][6], 5);
    EXPECT_EQ(quint8(replies[0][8]), 0xA5);
    controller.ReturnDevice(device);
}

} // namespace
