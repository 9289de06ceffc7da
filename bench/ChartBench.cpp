// The chart at any size, widgets offscreen: one repaint of sixteen series of a million and of
// ten million points (full view, zoomed, zoomed in below one point per pixel); a live Repeat of
// sixteen variables with the Chart tab shown and hidden; Stop after a million-record burst of
// sixteen variables until the chart, the table and the File tab are drawn.
#include "app/MainModel.h"
#include "base/EventPump.h"
#include "base/MemoryCommandEditor.h"
#include "base/MemoryStatusWindow.h"
#include "data/ChartModel.h"
#include "data/TVarType.h"
#include "data/VariableDefinitions.h"
#include "gui/ChartView.h"
#include "gui/FileTabView.h"
#include "gui/LineView.h"
#include "gui/QCustomPlotInclude.h"
#include "gui/SeriesTableView.h"
#include "script/BurstCapture.h"
#include "script/ScriptRunner.h"
#include "sim/SimPlatform.h"
#include "support/SilentUiPort.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <random>

namespace {

constexpr int Series = 16;
const QSize ChartSize(1000, 600);

// The waveforms: smooth signals (series i makes 4 (i + 1) periods over the whole capture, with
// a little noise), the same shape at any point count; or the simulated signal source's sine
// (a period of 100 samples), which fills every pixel column from its lowest to its highest
// value once more than a few hundred samples share a column.
enum class Shape { Smooth, Dense };

void fillSeries(ChartModel& chart, qsizetype points, Shape shape)
{
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0, 0.5);
    std::vector<double> batch(2048);
    for (int i = 0; i < Series; ++i) {
        chart.putOnChart(i);
        ChartSeries& s = chart.series(i);
        s.reserve(points);
        const double perSample =
            shape == Shape::Smooth ? 2 * M_PI * 4 * (i + 1) / double(points) : 2 * M_PI / 100;
        while (s.count() < points) {
            const size_t n = size_t(std::min<qsizetype>(2048, points - s.count()));
            batch.resize(n);
            for (size_t k = 0; k < n; ++k)
                batch[k] =
                    100 * std::sin(double(s.count() + qsizetype(k)) * perSample) + noise(rng);
            s.appendBatch(batch);
        }
    }
}

// Sixteen series of `points` points each on a shown chart.
struct RepaintRig
{
    RepaintRig(qsizetype points, Shape shape) : points(points), shape(shape)
    {
        fillSeries(chart, points, shape);
        view.resize(ChartSize);
        view.show();
        chart.refresh();
        pumpUntil([&] { return view.drawnPoints(0) > 0; }, 10000);
    }

    qsizetype points;
    Shape shape;
    VariableDefinitions defs;
    ChartModel chart{defs};
    ChartView view{chart};
};

// One rig at a time: sixteen series of ten million points take 2.7 GB. Released before the
// application object goes.
std::unique_ptr<RepaintRig> g_rig;

RepaintRig& repaintRig(qsizetype points, Shape shape = Shape::Smooth)
{
    if (!g_rig || g_rig->points != points || g_rig->shape != shape) {
        g_rig.reset();
        g_rig = std::make_unique<RepaintRig>(points, shape);
    }
    return *g_rig;
}

// Args: points per series; view: 0 everything, 1 a fiftieth of the X range (still more
// points than pixels), 2 a few hundred points (the raw points are drawn); shape: 0 smooth,
// 1 dense.
void BM_Repaint16Series(benchmark::State& state)
{
    const qsizetype points = state.range(0);
    RepaintRig& rig = repaintRig(points, Shape(state.range(2)));
    switch (state.range(1)) {
    case 0:
        rig.chart.undoZoom();
        break;
    case 1:
        rig.chart.setZoom({false, double(points) * 0.40, double(points) * 0.42},
                          {false, -120, 120});
        break;
    default:
        rig.chart.setZoom({false, double(points) / 2, double(points) / 2 + 400},
                          {false, -120, 120});
        break;
    }
    QCustomPlot* plot = rig.view.plot();
    plot->replot();
    for (auto _ : state)
        plot->replot(QCustomPlot::rpImmediateRefresh);
    qsizetype drawn = 0;
    for (int i = 0; i < Series; ++i)
        drawn += rig.view.drawnPoints(i);
    state.counters["points handed to QCustomPlot"] = double(drawn);
    state.counters["plot columns"] = double(plot->axisRect()->width());
    qsizetype seriesBytes = 0;
    qsizetype envelopeBytes = 0;
    for (int i = 0; i < Series; ++i) {
        seriesBytes += rig.chart.series(i).allocatedBytes();
        envelopeBytes += rig.chart.series(i).envelopeBytes();
    }
    state.counters["envelope % of series"] = 100.0 * double(envelopeBytes) / double(seriesBytes);
}
BENCHMARK(BM_Repaint16Series)
    ->ArgNames({"points", "view", "dense"})
    ->Args({1'000'000, 0, 0})
    ->Args({1'000'000, 1, 0})
    ->Args({1'000'000, 2, 0})
    ->Args({1'000'000, 0, 1})
    ->Args({10'000'000, 0, 0})
    ->Args({10'000'000, 1, 0})
    ->Args({10'000'000, 2, 0})
    ->Args({10'000'000, 0, 1})
    ->Unit(benchmark::kMillisecond);

// The envelope's share of a full-view repaint: what the sixteen series hand over for 853
// pixel columns, without drawing it.
void BM_PointsToDraw16Series(benchmark::State& state)
{
    const qsizetype points = state.range(0);
    RepaintRig& rig = repaintRig(points);
    std::vector<SeriesPoint> out;
    for (auto _ : state) {
        for (int i = 0; i < Series; ++i) {
            out.clear();
            rig.chart.series(i).pointsToDraw(0, double(points - 1), 853, out);
        }
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_PointsToDraw16Series)
    ->ArgName("points")
    ->Arg(1'000'000)
    ->Arg(10'000'000)
    ->Unit(benchmark::kMillisecond);

// Lines that swing across the plot from one point to the next (the signal source's sine read
// into sixteen variables at once: each gets every sixteenth sample), as a live Repeat shows
// them. Arg: points per series.
void BM_Repaint16SwingingLines(benchmark::State& state)
{
    VariableDefinitions defs;
    ChartModel chart{defs};
    ChartView view{chart};
    for (int i = 0; i < Series; ++i) {
        chart.putOnChart(i);
        for (int k = 0; k < state.range(0); ++k)
            chart.series(i).append(k, 10000 * std::sin((k * Series + i) * 2 * M_PI / 100));
    }
    view.resize(ChartSize);
    view.show();
    chart.refresh();
    pumpUntil([&] { return view.drawnPoints(0) > 0; }, 10000);
    for (auto _ : state)
        view.plot()->replot(QCustomPlot::rpImmediateRefresh);
}
BENCHMARK(BM_Repaint16SwingingLines)
    ->ArgName("points")
    ->Arg(300)
    ->Arg(1200)
    ->Arg(5000)
    ->Unit(benchmark::kMillisecond);

// For comparison: QCustomPlot given every point (its own adaptive sampling), 16 x 1,000,000.
void BM_RepaintAllPointsInQCustomPlot(benchmark::State& state)
{
    QCustomPlot plot;
    plot.resize(ChartSize);
    for (int i = 0; i < Series; ++i) {
        QVector<double> keys(1'000'000);
        QVector<double> values(1'000'000);
        for (int k = 0; k < keys.size(); ++k) {
            keys[k] = k;
            values[k] = 100 * std::sin(k * 1e-4 * (i + 1));
        }
        QCPGraph* graph = plot.addGraph();
        graph->setData(keys, values, true);
        graph->setAdaptiveSampling(true);
    }
    plot.rescaleAxes();
    plot.show();
    plot.replot();
    for (auto _ : state)
        plot.replot(QCustomPlot::rpImmediateRefresh);
}
BENCHMARK(BM_RepaintAllPointsInQCustomPlot)->Unit(benchmark::kMillisecond);

// The main-window model on one simulated bridge, sixteen int variables on the chart, and the
// three data tabs of the window.
struct WindowRig
{
    QTemporaryDir dir;
    SimPlatform sim;
    SilentUiPort ui;
    MemoryCommandEditor editor;
    MemoryStatusWindow status;
    std::unique_ptr<MainModel> model;
    std::unique_ptr<ChartView> chart;
    std::unique_ptr<SeriesTableView> table;
    std::unique_ptr<FileTabView> fileTab;

    explicit WindowRig(int latencyMs)
    {
        SimDevice& bridge = sim.addBridge(QStringLiteral("SIM0001"));
        bridge.setReplyLatencyMs(latencyMs);
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
        QString line = QStringLiteral("R 49");
        for (int i = 0; i < Series; ++i) {
            const QString name = QStringLiteral("V%1").arg(QChar(u'A' + i));
            model->variables().declare(i, name, vtInt);
            model->chart().putOnChart(i);
            line += QStringLiteral(" @%1 @1%1").arg(name);
        }
        model->variables().Scroll = 0;
        editor.setLines({line});
        model->burst().setFilePath(dir.filePath(QStringLiteral("capture.dat")));
    }

    void createViews()
    {
        chart = std::make_unique<ChartView>(model->chart());
        table = std::make_unique<SeriesTableView>(model->chart());
        fileTab = std::make_unique<FileTabView>(model->burst());
        for (QWidget* w : {static_cast<QWidget*>(chart.get()), static_cast<QWidget*>(table.get()),
                           static_cast<QWidget*>(fileTab.get())})
            w->resize(ChartSize);
    }
};

// Args: Chart tab shown (0/1), reply latency of the simulated bridge in ms (0: the host's own
// cost is the limit; 1: a full-speed USB frame, as real bridges answer).
void BM_LiveRepeat16Variables(benchmark::State& state)
{
    const bool shown = state.range(0) != 0;
    WindowRig rig(int(state.range(1)));
    ChartModel& chart = rig.model->chart();
    // GUI-thread work of a frame: the views following the model's changed(), then the
    // replot it queues.
    QElapsedTimer work;
    qint64 frameNs = 0;
    qint64 totalNs = 0;
    qint64 worstNs = 0;
    qint64 frames = 0;
    QObject::connect(&chart, &ChartModel::changed, [&] { work.start(); });
    rig.createViews();
    QObject::connect(&chart, &ChartModel::changed, [&] { frameNs = work.nsecsElapsed(); });
    QObject::connect(rig.chart->plot(), &QCustomPlot::beforeReplot, [&] { work.start(); });
    QObject::connect(rig.chart->plot(), &QCustomPlot::afterReplot, [&] {
        frameNs += work.nsecsElapsed();
        totalNs += frameNs;
        worstNs = std::max(worstNs, frameNs);
        frameNs = 0;
        ++frames;
    });
    if (shown)
        rig.chart->show();

    constexpr int RunMs = 4000;
    double seconds = 0;
    qint64 exchanges = 0;
    for (auto _ : state) {
        frames = totalNs = worstNs = 0;
        rig.model->AcSendRepeatExecute();
        QElapsedTimer clock;
        clock.start();
        pumpUntil([&] { return clock.elapsed() >= RunMs; });
        exchanges = rig.model->runner().acknowledgedCount();
        seconds = double(clock.nsecsElapsed()) / 1e9;
        rig.model->AcStopExecute();
        state.SetIterationTime(seconds);
    }
    state.counters["exchanges/s"] = double(exchanges) / seconds;
    state.counters["frames/s"] = double(frames) / seconds;
    state.counters["GUI ms/frame"] = frames > 0 ? double(totalNs) / double(frames) / 1e6 : 0;
    state.counters["worst GUI ms/frame"] = double(worstNs) / 1e6;
    state.counters["points/series"] = double(chart.series(0).count());
}
BENCHMARK(BM_LiveRepeat16Variables)
    ->ArgNames({"chart", "latency_ms"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// From Stop after a 1,000,000-record capture of sixteen int variables (33-byte records) until
// the chart, the table and the File tab are drawn.
void BM_StopAfterAMillionRecordBurst16Variables(benchmark::State& state)
{
    WindowRig rig(0);
    rig.createViews();
    rig.chart->show();
    rig.table->show();
    rig.fileTab->show();
    BurstCapture& burst = rig.model->burst();
    double envelopeShare = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.model->AcSendSpeedExecute();
        pumpUntil([&] { return burst.recordsReceived() >= 1'000'000; });
        state.ResumeTiming();
        rig.model->AcStopExecute();
        // What the event loop does next: the views catch up with the read-back and draw.
        QCoreApplication::processEvents();
        rig.chart->plot()->replot(QCustomPlot::rpImmediateRefresh);
        rig.table->view()->grab();
        rig.fileTab->view()->grab();
        state.PauseTiming();
        qsizetype seriesBytes = 0;
        qsizetype envelopeBytes = 0;
        for (int i = 0; i < Series; ++i) {
            seriesBytes += rig.model->chart().series(i).allocatedBytes();
            envelopeBytes += rig.model->chart().series(i).envelopeBytes();
        }
        envelopeShare = 100.0 * double(envelopeBytes) / double(seriesBytes);
        state.ResumeTiming();
    }
    state.counters["records"] = double(burst.records());
    state.counters["table rows"] = double(rig.table->view()->model()->rowCount());
    state.counters["envelope % of series"] = envelopeShare;
}
BENCHMARK(BM_StopAfterAMillionRecordBurst16Variables)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_rig.reset();
    return 0;
}
