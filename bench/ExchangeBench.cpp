#include "app/MainModel.h"
#include "base/EventPump.h"
#include "base/MemoryCommandEditor.h"
#include "base/MemoryStatusWindow.h"
#include "data/TVarType.h"
#include "link/BridgeCommands.h"
#include "sim/SimPlatform.h"
#include "support/RecordingUiPort.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <sys/resource.h>

namespace {

// The main-window model on one simulated bridge at zero latency, once the bridge is selected
// and its version read.
struct Bench
{
    QTemporaryDir dir;
    SimPlatform sim;
    RecordingUiPort ui;
    MemoryCommandEditor editor;
    MemoryStatusWindow status;
    std::unique_ptr<MainModel> model;

    explicit Bench(bool stopPolling = true)
    {
        SimDevice& bridge = sim.addBridge(QStringLiteral("SIM0001"));
        bridge.setReplyLatencyMs(0);
        MainModel::Paths paths;
        paths.settings = {dir.filePath("taviro.ini"), dir.filePath("taviro.ini")};
        paths.autosave = {dir.filePath("taviro.cmd"), dir.filePath("taviro.cmd")};
        model = std::make_unique<MainModel>(sim, ui, editor, status, paths);
        model->FormActivate();
        model->start();
        pumpUntil(
            [&] {
                const THIDBridge* b = model->bridges().SelectedBridge();
                return b && !b->VersionQueryPending;
            },
            5000);
        if (stopPolling)
            model->control().pollTimer().stop();
        pumpUntil([&] { return !model->flags().WriteOutstanding; }, 2000);
    }
};

// StartTransfer on the GUI thread until OnReport has handled the reply there: the host's
// share of one exchange (transfer thread, simulated bridge, read thread, hand-off).
void BM_Exchange(benchmark::State& state)
{
    Bench b;
    LinkFlags& flags = b.model->flags();
    const TIIC_Packet read = BridgeCommands::busScanProbe(0x48);
    for (auto _ : state) {
        b.model->transport().StartTransfer(read);
        pumpUntil([&] { return !flags.WriteOutstanding; });
    }
    state.counters["exchanges/s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Exchange)->UseRealTime()->Unit(benchmark::kMicrosecond);

// Repeat of one read into an int variable: every exchange with its result text, decoding and
// sample.
void BM_RepeatExchange(benchmark::State& state)
{
    Bench b;
    b.model->variables().declare(0, QStringLiteral("SINE"), vtInt);
    b.model->variables().Scroll = 1000;
    b.model->chart().putOnChart(0);
    b.editor.setLines({QStringLiteral("R 49 @0SINE @1SINE")});
    const int perIteration = 2000;
    for (auto _ : state) {
        b.status.clear();
        b.model->setRepeatCount(perIteration);
        b.model->AcSendRepeatExecute();
        pumpUntil([&] { return !b.model->execution().RepeatRunning; }, 60000);
    }
    state.counters["exchanges/s"] =
        benchmark::Counter(double(state.iterations() * perIteration), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RepeatExchange)->UseRealTime()->Unit(benchmark::kMillisecond);

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The program idle with its poll timer running (a status poll every 250 ms): CPU time used
// by every thread of the process, the simulated bridge's included, per second of wall time.
void BM_IdleCpu(benchmark::State& state)
{
    Bench b(false);
    for (auto _ : state) {
        const double before = cpuSeconds();
        // The program's own event loop, as the window runs it.
        QEventLoop loop;
        QTimer::singleShot(int(state.range(0)), &loop, &QEventLoop::quit);
        loop.exec();
        state.counters["cpu %"] = 100 * (cpuSeconds() - before) / (double(state.range(0)) / 1000);
    }
}
BENCHMARK(BM_IdleCpu)->Arg(5000)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
