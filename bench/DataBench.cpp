// Sample decoding and series storage: one sample with all sixteen variables, the burst
// read-back of a million records, and the memory a stored point costs.
#include "base/Clock.h"
#include "data/CaptureState.h"
#include "data/ChartModel.h"
#include "data/TVarType.h"
#include "data/VariableDefinitions.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

// Sixteen active variables of all four types, each on the chart.
void defineAll(VariableDefinitions& defs, ChartModel& chart)
{
    for (int i = 0; i < VariableDefinitions::Count; ++i) {
        defs.DataVars[size_t(i)] = {true, quint8(i % 4), i % 2 == 1, 0.5f, 1.0f};
        chart.putOnChart(i);
    }
}

void BM_TakeSample16Variables(benchmark::State& state)
{
    VariableDefinitions defs;
    ChartModel chart(defs);
    defineAll(defs, chart);
    defs.Scroll = 1000; // a Repeat run that keeps the newest 1000 points
    CaptureState capture(defs, chart, SteadyClock::instance());
    capture.RestartCapture();
    quint8 b = 0;
    for (auto _ : state) {
        capture.ClearPresent();
        for (int slot = 0; slot < CaptureState::SlotCount; ++slot)
            capture.PutByte(slot, b++);
        capture.updateElapsed();
        capture.TakeSample();
    }
    state.SetItemsProcessed(state.iterations());
    benchmark::DoNotOptimize(chart.series(15).count());
}
BENCHMARK(BM_TakeSample16Variables);

// Args: variables per record (int variables, two data bytes each); whether the read-back is
// told the record count up front (it knows it from the file size).
void BM_BurstReadBack1MRecords(benchmark::State& state)
{
    constexpr int Records = 1000000;
    const int variables = int(state.range(0));
    const qint64 hint = state.range(1) != 0 ? Records : 0;
    VariableDefinitions defs;
    ChartModel chart(defs);
    for (int i = 0; i < variables; ++i) {
        defs.DataVars[size_t(i)] = {true, vtInt, true, 0.01f, -5.0f};
        chart.putOnChart(i);
    }
    defs.AxisX = true;
    CaptureState capture(defs, chart, SteadyClock::instance());
    // A record as the capture file holds it: status byte, then the data bytes.
    QByteArray record(1 + 2 * variables, '\0');
    for (auto _ : state) {
        state.PauseTiming();
        chart.clearAll();
        state.ResumeTiming();
        capture.BeginBurstDecode(hint);
        for (int r = 0; r < Records; ++r) {
            record[1] = char(r);
            record[2] = char(r >> 8);
            capture.ClearPresent();
            for (int k = 1; k < record.size(); ++k)
                capture.PutByte(((k - 1) / 2) * 4 + (k - 1) % 2, quint8(record[k]));
            capture.DecodeBurstRecord();
        }
        capture.ElapsedMs = 20000;
        capture.FinishBurstDecode(Records);
        capture.leaveBulkMode();
    }
    state.SetItemsProcessed(state.iterations() * Records);
    state.counters["points"] = double(chart.series(0).count()) * variables;
}
BENCHMARK(BM_BurstReadBack1MRecords)
    ->ArgNames({"variables", "sized"})
    ->ArgsProduct({{1, 16}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// Heap bytes per point: a series grown to a million points, and a series scrolling at 5000.
void BM_BytesPerStoredPoint(benchmark::State& state)
{
    VariableDefinitions defs;
    ChartModel chart(defs);
    double grown = 0;
    double scrolled = 0;
    for (auto _ : state) {
        ChartSeries& a = chart.series(0);
        a.clear();
        for (int i = 0; i < 1000000; ++i)
            a.append(i, i);
        grown = double(a.allocatedBytes()) / double(a.count());

        ChartSeries& s = chart.series(1);
        s.clear();
        for (int i = 0; i < 1000000; ++i) {
            s.append(i, i);
            if (s.count() > 5000)
                s.removeFirst(s.count() - 5000);
        }
        scrolled = double(s.allocatedBytes()) / double(s.count());
    }
    state.counters["bytes_per_point_1M"] = grown;
    state.counters["bytes_per_point_scroll5000"] = scrolled;
}
BENCHMARK(BM_BytesPerStoredPoint)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // The chart model's frame timer needs an application object.
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
