#include "link/THidDevice.h"
#include "link/THidDeviceController.h"
#include "sim/SimPlatform.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

// Bridges are plugged and unplugged while the lent one's read thread delivers replies and a
// transfer thread keeps writing to it and the GUI thread cancels its writes: the layer's
// hand-offs, handle closing and thread stops must hold up (run under ThreadSanitizer).
TEST(HidStress, PlugAndUnplugWhileReportsFlow)
{
    SimPlatform sim;
    SimDevice& busy = sim.addBridge(QStringLiteral("SIM0001"));
    SimDevice& other = sim.addBridge(QStringLiteral("SIM0002"));
    busy.setReplyLatencyMs(0);
    sim.addDevice(0x046D, 0xC31C, QStringLiteral("KB"));

    THidDeviceController controller(sim);

    std::mutex lock; // protects held for the transfer thread, as the transport's lock does
    std::condition_variable replied;
    THidDevice* held = nullptr;
    std::atomic<int> reports{0};
    std::atomic<int> failures{0};
    std::atomic<bool> stop{false};

    controller.setOnArrival([&](THidDevice* d) {
        if (d->SerialNumber() != QLatin1String("SIM0001"))
            return;
        ASSERT_TRUE(controller.LendDevice(d));
        d->setOnReadFailure([&](THidDevice*, quint32) { ++failures; });
        d->setOnInputReport([&](THidDevice*, quint8, const quint8* data, quint16 size) {
            EXPECT_EQ(size, 64);
            EXPECT_EQ(data[0] & 0x01, 0x01);
            ++reports;
            replied.notify_all();
        });
        std::lock_guard guard(lock);
        held = d;
    });
    controller.setOnRemoval([&](THidDevice* d) {
        std::lock_guard guard(lock);
        if (d == held) {
            controller.ReturnDevice(held);
            EXPECT_EQ(held, nullptr);
        }
    });

    std::thread transfer([&] {
        const quint8 versionQuery[65] = {0x00, 0x03, 0x08, 0x81};
        std::unique_lock guard(lock);
        while (!stop) {
            if (held && held->WriteOverlapped(versionQuery, sizeof versionQuery))
                held->WaitWrite(20);
            const int seen = reports;
            replied.wait_for(guard, std::chrono::milliseconds(20),
                             [&] { return stop || reports != seen; });
        }
    });

    controller.start();
    ASSERT_TRUE(waitFor([&] { return reports > 0; }));
    for (int cycle = 0; cycle < 30; ++cycle) {
        if (cycle % 3 == 0) {
            std::lock_guard guard(lock);
            if (held)
                held->CancelTransfer(THidTransfer::Write);
        }
        busy.unplug();
        if (cycle % 2 == 0)
            other.unplug();
        else
            other.plug();
        ASSERT_TRUE(waitFor([&] {
            std::lock_guard guard(lock);
            return held == nullptr;
        })) << "cycle "
            << cycle;
        const int before = reports;
        busy.plug();
        ASSERT_TRUE(waitFor([&] { return reports > before + 5; })) << "cycle " << cycle;
    }
    stop = true;
    replied.notify_all();
    transfer.join();

    EXPECT_EQ(controller.LentDeviceCount(), 1);
    EXPECT_EQ(controller.UnpluggedDeviceCount(), 0);
    {
        std::lock_guard guard(lock);
        ASSERT_NE(held, nullptr);
        controller.ReturnDevice(held);
    }
    EXPECT_EQ(controller.LentDeviceCount(), 0);
}

} // namespace
