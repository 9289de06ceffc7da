#include "app/MainModel.h"
#include "base/EventPump.h"
#include "base/MemoryCommandEditor.h"
#include "base/MemoryStatusWindow.h"
#include "data/TVarType.h"
#include "script/BurstCapture.h"
#include "sim/SimPlatform.h"
#include "support/SilentUiPort.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// The main-window model on one simulated bridge streaming as fast as the host reads.
struct BurstRig
{
    QTemporaryDir dir;
    SimPlatform sim;
    SilentUiPort ui;
    MemoryCommandEditor editor;
    MemoryStatusWindow status;
    std::unique_ptr<MainModel> model;

    explicit BurstRig(const QString& line)
    {
        SimDevice& bridge = sim.addBridge(QStringLiteral("SIM0001"));
        bridge.setReplyLatencyMs(0);
        bridge.setBurstRate(0);
        MainModel::Paths paths;
        paths.executableFolder = dir.path();
        paths.settings = {dir.filePath(QStringLiteral("t.ini")),
                          dir.filePath(QStringLiteral("t.ini"))};
        paths.autosave = {dir.filePath(QStringLiteral("t.cmd")),
                          dir.filePath(QStringLiteral("t.cmd"))};
        model = std::make_unique<MainModel>(sim, ui, editor, status, paths);
        model->FormActivate();
        model->start();
        pumpUntil([&] { return model->Connected() && !model->flags().WriteOutstanding; }, 5000);
        model->variables().declare(0, QStringLiteral("SINE"), vtInt);
        model->variables().Scroll = 0;
        model->chart().putOnChart(0);
        editor.setLines({line});
        model->burst().setFilePath(dir.filePath(QStringLiteral("capture.dat")));
    }

    SimFirmware& firmware() { return *sim.devices().first()->firmware(); }
};

// Reports from the first to the last of a capture of at least this many, into the file.
constexpr qint64 IngestReports = 100'000;

// Records of 4 bytes carrying a 24-bit running number: the file proves no record was lost.
void BM_BurstIngest(benchmark::State& state)
{
    BurstRig rig(QStringLiteral("R 49 X X X"));
    rig.firmware().setBurstCounter(true);
    BurstCapture& burst = rig.model->burst();
    constexpr int PerReport = 15;
    qint64 reports = 0;
    qint64 lost = 0;
    for (auto _ : state) {
        rig.model->AcSendSpeedExecute();
        pumpUntil([&] { return burst.recordsReceived() > 0; }, 5000);
        const qint64 first = burst.recordsReceived();
        QElapsedTimer clock;
        clock.start();
        pumpUntil([&] { return burst.recordsReceived() >= first + IngestReports * PerReport; });
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        const qint64 ingested = (burst.recordsReceived() - first) / PerReport;
        rig.model->AcStopExecute();
        state.SetIterationTime(seconds);
        reports += ingested;

        // The running numbers follow on from the first record's: any gap, duplicate or
        // reordering counts as a loss.
        QFile f(burst.filePath());
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        const auto* p = reinterpret_cast<const quint8*>(bytes.constData());
        const qint64 records = bytes.size() / 4;
        const auto number = [](const quint8* r) { return qint64(r[1] | r[2] << 8 | r[3] << 16); };
        const qint64 base = records > 0 ? number(p) : 0;
        for (qint64 i = 0; i < records; ++i, p += 4)
            if (number(p) != ((base + i) & 0xFFFFFF))
                ++lost;
        lost += burst.recordsReceived() - records;
        lost += burst.records() - records;
    }
    state.counters["reports/s"] = benchmark::Counter(double(reports), benchmark::Counter::kIsRate);
    state.counters["records lost"] = double(lost);
}
BENCHMARK(BM_BurstIngest)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Stop after a capture of a million records (two bytes, one int variable): the burst end, the
// read-back with its hex lines, the decoding into the series and the summary.
void BM_BurstReadBackOfAMillionRecords(benchmark::State& state)
{
    BurstRig rig(QStringLiteral("R 49 @SINE @1SINE"));
    BurstCapture& burst = rig.model->burst();
    qint64 points = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.model->AcSendSpeedExecute();
        pumpUntil([&] { return burst.recordsReceived() >= 1'000'000; });
        state.ResumeTiming();
        rig.model->AcStopExecute();
        points = rig.model->chart().series(0).count();
    }
    state.counters["records"] = double(burst.records());
    state.counters["points"] = double(points);
}
BENCHMARK(BM_BurstReadBackOfAMillionRecords)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
