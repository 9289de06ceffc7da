#include "base/EventPump.h"
#include "link/THidDevice.h"
#include "link/THidDeviceController.h"
#include "sim/SimPlatform.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

// A lent simulated bridge at zero latency, replies counted by the GUI-thread handler.
struct LentBridge
{
    SimPlatform sim;
    SimDevice& bridge = sim.addBridge(QStringLiteral("SIM0001"));
    THidDeviceController controller{sim};
    THidDevice* device = nullptr;
    quint64 reports = 0;

    LentBridge()
    {
        bridge.setReplyLatencyMs(0);
        bridge.setBurstRate(0);
        controller.setOnArrival([this](THidDevice* d) {
            controller.LendDevice(d);
            d->setOnInputReport([this](THidDevice*, quint8, const quint8*, quint16) { ++reports; });
            device = d;
        });
        controller.start();
        pumpUntil([this] { return device != nullptr; }, 5000);
    }
    ~LentBridge() { controller.ReturnDevice(device); }

    bool write(const quint8 (&report)[65])
    {
        return device->WriteOverlapped(report, sizeof report) && device->WaitWrite(1000);
    }
};

// One write and its reply handled on the GUI thread: the layer's share of an exchange.
void BM_ExchangeRoundTrip(benchmark::State& state)
{
    LentBridge link;
    const quint8 statusPoll[65] = {0x00, 0x03, 0x02, 0x80};
    for (auto _ : state) {
        const quint64 before = link.reports;
        link.write(statusPoll);
        pumpUntil([&] { return link.reports > before; }, 1000);
    }
    state.counters["exchanges/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ExchangeRoundTrip)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Stream reports from the simulator as fast as the read thread and the hand-off take them.
void BM_BurstReportsThroughReadThread(benchmark::State& state)
{
    LentBridge link;
    const quint8 burst[65] = {0x00, 0x0B, 0x43, 0x49};
    const quint8 burstEnd[65] = {};
    const quint64 perIteration = 10000;
    link.write(burst);
    for (auto _ : state) {
        const quint64 target = link.reports + perIteration;
        pumpUntil([&] { return link.reports >= target; }, 10000);
    }
    link.write(burstEnd);
    state.counters["reports/s"] =
        benchmark::Counter(double(state.iterations() * perIteration), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_BurstReportsThroughReadThread)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
