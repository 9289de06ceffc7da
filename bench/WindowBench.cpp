// The window's costs, offscreen on the simulated bridge at zero latency: Repeat in the window
// against the same model headless (one run, alternating), the status window with a million
// lines, idle CPU, the first frame and the editor's recolouring after a keystroke.

#include "app/MainModel.h"
#include "base/EventPump.h"
#include "base/MemoryCommandEditor.h"
#include "base/MemoryStatusWindow.h"
#include "data/TVarType.h"
#include "gui/CommandEditorView.h"
#include "gui/MainWindow.h"
#include "gui/ScriptHighlighter.h"
#include "gui/StatusWindowView.h"
#include "sim/SimPlatform.h"
#include "support/RecordingUiPort.h"
#include "support/TempFolderPaths.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <sys/resource.h>

namespace {

const QString RepeatLine = QStringLiteral("R 49 @0SINE @1SINE");
// How long the QApplication took to build (platform plugin, fonts): before the first window.
double applicationMs = 0;

bool bridgeReady(MainModel& model)
{
    const THIDBridge* b = model.bridges().SelectedBridge();
    return b && !b->VersionQueryPending && !model.flags().WriteOutstanding;
}

// The variable SINE on the chart, as a user collecting the signal would have it.
void declareSine(MainModel& model)
{
    model.variables().declare(0, QStringLiteral("SINE"), vtInt);
    model.variables().Scroll = 1000;
    model.chart().putOnChart(0);
}

// From building the window to its first painted frame, as the program starts it (the bridges
// are announced once the event loop runs).
class FirstPaint : public QObject
{
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && !painted) {
            painted = true;
            ns = timer.nsecsElapsed();
        }
        return QObject::eventFilter(watched, event);
    }
    QElapsedTimer timer;
    bool painted = false;
    qint64 ns = 0;
};

void BM_FirstFrame(benchmark::State& state)
{
    bool firstWindow = true;
    double later = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        SimPlatform sim;
        sim.addBridges(1);
        FirstPaint first;
        first.timer.start();
        // The first window of the process also loads fonts and styles: counted apart.
        MainWindow window(sim, pathsIn(dir), QStringList());
        window.installEventFilter(&first);
        window.show();
        window.start();
        pumpUntil([&] { return first.painted; }, 5000);
        const double ms = double(first.ns) / 1e6;
        if (firstWindow)
            state.counters["first window ms"] = ms;
        else
            later = std::max(later, ms);
        firstWindow = false;
    }
    state.counters["later windows, slowest ms"] = later;
    state.counters["application ms"] = applicationMs;
}
BENCHMARK(BM_FirstFrame)->Iterations(6)->UseRealTime()->Unit(benchmark::kMillisecond);

// Runs Repeat until count exchanges are acknowledged; returns the seconds it took.
double timeRepeat(MainModel& model, const std::function<void()>& start, int count)
{
    model.setRepeatCount(count);
    QElapsedTimer timer;
    timer.start();
    start();
    pumpUntil([&] { return !model.execution().RepeatRunning; }, 120000);
    return double(timer.nsecsElapsed()) / 1e9;
}

struct Headless
{
    QTemporaryDir dir;
    SimPlatform sim;
    RecordingUiPort ui;
    MemoryCommandEditor editor;
    MemoryStatusWindow status;
    std::unique_ptr<MainModel> model;

    Headless()
    {
        sim.addBridge(QStringLiteral("SIM0001")).setReplyLatencyMs(0);
        model = std::make_unique<MainModel>(sim, ui, editor, status, pathsIn(dir));
        model->FormActivate();
        model->start();
        pumpUntil([&] { return bridgeReady(*model); }, 5000);
        declareSine(*model);
        editor.setLines({RepeatLine});
    }
};

struct Window
{
    QTemporaryDir dir;
    SimPlatform sim;
    std::unique_ptr<MainWindow> window;

    Window()
    {
        sim.addBridge(QStringLiteral("SIM0001")).setReplyLatencyMs(0);
        window = std::make_unique<MainWindow>(sim, pathsIn(dir), QStringList());
        window->show();
        window->start();
        pumpUntil([&] { return bridgeReady(window->model()); }, 5000);
        declareSine(window->model());
        window->editor().setLines({RepeatLine});
    }
    MainModel& model() { return window->model(); }
};

// Repeat of one read into a variable: the window with the status window, the panels and the
// chart model live against the same model headless, alternating within one run.
void BM_RepeatWindowVsHeadless(benchmark::State& state)
{
    // The program has one HID controller: the two take turns.
    const int count = int(state.range(0));
    double headlessSeconds = 0;
    double windowSeconds = 0;
    const auto runHeadless = [&] {
        Headless headless;
        headlessSeconds += timeRepeat(
            *headless.model, [&] { headless.model->AcSendRepeatExecute(); }, count);
    };
    const auto runWindow = [&] {
        Window window;
        windowSeconds += timeRepeat(
            window.model(),
            [&] { window.window->action(QStringLiteral("AcSendRepeat"))->trigger(); }, count);
    };
    // They take turns at going first.
    bool headlessFirst = true;
    for (auto _ : state) {
        if (headlessFirst) {
            runHeadless();
            runWindow();
        } else {
            runWindow();
            runHeadless();
        }
        headlessFirst = !headlessFirst;
    }
    const double exchanges = double(state.iterations()) * count;
    state.counters["headless/s"] = exchanges / headlessSeconds;
    state.counters["window/s"] = exchanges / windowSeconds;
    state.counters["window %"] = 100 * headlessSeconds / windowSeconds;
}
BENCHMARK(BM_RepeatWindowVsHeadless)
    ->Arg(20000)
    ->Iterations(6)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// A million status lines: appending them, the memory they take, and a repaint at the end and
// in the middle (what scrolling costs).
void BM_StatusWindowMillionLines(benchmark::State& state)
{
    for (auto _ : state) {
        StatusWindowView view;
        view.resize(700, 250);
        view.show();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 1'000'000; ++i) {
            view.addLine(QStringLiteral("s 93+ 12+ 34+ p "));
            if (i % 7 == 0)
                view.appendToLastLine(QStringLiteral(";TEMPERATURE"));
        }
        view.scrollToEnd();
        const double appendNs = double(timer.nsecsElapsed()) / 1e6;
        pumpUntil([&] { return view.verticalScrollBar()->value() > 0; }, 5000);

        const int repaints = 200;
        timer.restart();
        for (int i = 0; i < repaints; ++i) {
            view.verticalScrollBar()->setValue(i % 2 ? 500'000 + i
                                                     : view.verticalScrollBar()->maximum());
            view.viewport()->repaint();
        }
        const double repaintMs = double(timer.nsecsElapsed()) / 1e6 / repaints;
        state.counters["append ns/line"] = appendNs;
        state.counters["bytes/line"] = double(view.store().memoryBytes()) / 1e6;
        state.counters["scroll+repaint ms"] = repaintMs;
    }
}
BENCHMARK(BM_StatusWindowMillionLines)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The window open and idle on one simulated bridge (the default 1 ms latency) polled every
// 250 ms: CPU time of every thread of the process per second of wall time.
void BM_IdleCpu(benchmark::State& state)
{
    QTemporaryDir dir;
    SimPlatform sim;
    sim.addBridges(1);
    MainWindow window(sim, pathsIn(dir), QStringList());
    window.show();
    window.start();
    pumpUntil([&] { return bridgeReady(window.model()); }, 5000);
    for (auto _ : state) {
        const double before = cpuSeconds();
        QEventLoop loop;
        QTimer::singleShot(int(state.range(0)), &loop, &QEventLoop::quit);
        loop.exec();
        state.counters["cpu %"] = 100 * (cpuSeconds() - before) / (double(state.range(0)) / 1000);
    }
}
BENCHMARK(BM_IdleCpu)->Arg(10000)->Iterations(1)->UseRealTime()->Unit(benchmark::kMillisecond);

// A key pressed in a 10,000-line script until the editor is recoloured: the check runs and
// the blocks on screen whose styling changed are highlighted again (the rest of the script
// follows from the event loop; "whole script ms" is how long after the keystroke that ends).
// range(0) picks the keystroke: 0 a character that keeps the verdict, 1 one that makes a line an
// error (every line after it turns red), 2 its removal (they turn black again); range(1) is that
// line.
void BM_EditorKeystroke(benchmark::State& state)
{
    QTemporaryDir dir;
    SimPlatform sim;
    MainWindow window(sim, pathsIn(dir), QStringList());
    window.show();
    window.start();
    CommandEditorView& editor = window.editor();
    QStringList script;
    for (int i = 0; i < 10'000; ++i)
        script.append(i % 10 == 0 ? QStringLiteral("; step %1 of the EEPROM test").arg(i)
                                  : QStringLiteral("W 50 %1 R 50 X X X X ; read-back")
                                        .arg(i % 256, 2, 16, QLatin1Char('0')));
    editor.setLines(script);
    editor.setFocus();
    const int mode = int(state.range(0));
    const QTextBlock line = editor.document()->findBlockByNumber(int(state.range(1)));
    const auto placeCaret = [&](int column) {
        QTextCursor cursor(line);
        cursor.setPosition(line.position() + column);
        editor.setTextCursor(cursor);
    };
    quint64 highlighted = 0;
    quint64 restBlocks = 0;
    double restMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Column 5 is the second digit of the address: a third digit there is an error.
        placeCaret(mode == 0 ? 2 : 5);
        if (mode == 2) {
            QTest::keyClick(&editor, Qt::Key_0);
            pumpUntil([&] { return editor.highlighter().isUpToDate(); }, 10000);
        }
        const quint64 before = editor.highlighter().blocksHighlighted();
        state.ResumeTiming();
        if (mode == 2)
            QTest::keyClick(&editor, Qt::Key_Backspace);
        else
            QTest::keyClick(&editor, mode == 0 ? Qt::Key_Space : Qt::Key_0);
        state.PauseTiming();
        highlighted += editor.highlighter().blocksHighlighted() - before;
        // The rest of the script, restyled from the event loop in slices.
        QElapsedTimer rest;
        rest.start();
        pumpUntil([&] { return editor.highlighter().isUpToDate(); }, 10000);
        restMs += double(rest.nsecsElapsed()) / 1e6;
        restBlocks += editor.highlighter().blocksHighlighted() - before;
        if (mode != 2)
            QTest::keyClick(&editor, Qt::Key_Backspace); // the script as it was
        pumpUntil([&] { return editor.highlighter().isUpToDate(); }, 10000);
        state.ResumeTiming();
    }
    const double n = double(state.iterations());
    state.counters["blocks"] = double(highlighted) / n;
    state.counters["whole script ms"] = restMs / n;
    state.counters["whole script blocks"] = double(restBlocks) / n;
}
BENCHMARK(BM_EditorKeystroke)
    ->Args({0, 5001})
    ->Args({1, 5001})
    ->Args({2, 5001})
    ->Args({1, 1})
    ->Args({2, 1})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QElapsedTimer start;
    start.start();
    QApplication app(argc, argv);
    applicationMs = double(start.nsecsElapsed()) / 1e6;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
