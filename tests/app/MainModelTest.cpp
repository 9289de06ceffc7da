#include "data/ChartFile.h"
#include "data/DataSettingsModel.h"
#include "data/TVarType.h"
#include "script/BurstCapture.h"
#include "script/ScriptFile.h"
#include "support/ModelFixture.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <functional>
#include <optional>

namespace {

class MainModelTest : public ModelFixture
{
};

TEST_F(MainModelTest, EnablingFollowsConnectionStateAndTab)
{
    using Tab = MainModel::Tab;
    createModel();
    // No bridge: every run command is off and the connection panel says so.
    const ActionStates none = model->actions();
    EXPECT_FALSE(none.Reset || none.List || none.Send || none.SendRepeat || none.ToFile ||
                 none.Stop);
    EXPECT_EQ(model->panel(3), QStringLiteral("disconnected"));
    EXPECT_FALSE(model->connectedCondition());

    sim.addBridges(1);
    ASSERT_TRUE(waitForBridges());

    struct Case
    {
        const char* name;
        ExecutionState state;
        bool free, stop, readOnly;
    };
    const std::vector<Case> cases = {
        {"idle", {}, true, false, false},
        {"send", {true, false, false, false}, false, false, true},
        {"scan", {false, true, false, false}, false, false, false},
        {"repeat", {false, false, true, false}, false, true, true},
        {"burst", {false, false, false, true}, false, true, false},
    };
    for (const Case& c : cases) {
        model->execution() = c.state;
        model->UpdateActions();
        const ActionStates& a = model->actions();
        EXPECT_TRUE(a.Reset) << c.name;
        EXPECT_EQ(a.Send, c.free) << c.name;
        EXPECT_EQ(a.List, c.free) << c.name;
        EXPECT_EQ(a.SendRepeat, c.free) << c.name;
        EXPECT_EQ(a.ToFile, c.free) << c.name;
        EXPECT_EQ(a.Stop, c.stop) << c.name;
        EXPECT_EQ(a.EditorReadOnly, c.readOnly) << c.name;
        EXPECT_EQ(editor.isReadOnly(), c.readOnly) << c.name;
    }
    model->execution() = {};

    for (Tab tab : {Tab::Editor, Tab::Chart, Tab::Table, Tab::File}) {
        model->PageControl1Change(tab);
        const ActionStates& a = model->actions();
        const bool editorTab = tab == Tab::Editor, chartTab = tab == Tab::Chart;
        EXPECT_EQ(a.ClearMemo, editorTab);
        EXPECT_EQ(a.Cut && a.Copy && a.Paste && a.SelectAll, editorTab);
        EXPECT_EQ(a.SaveWaveform && a.CopyWaveform && a.ChartSettings, chartTab);
        EXPECT_FALSE(a.SaveWaveform && !chartTab);
    }
}

TEST_F(MainModelTest, StartUpLoadsTheNamedScriptElseTheAutosaveFile)
{
    const QString named = dir.filePath(QStringLiteral("named.iic"));
    ASSERT_TRUE(ScriptFile::write(named, {QStringLiteral("R 48 X")}));
    ASSERT_TRUE(ScriptFile::write(paths().autosave.readPath, {QStringLiteral("S A0 Q")}));

    createModel({named});
    EXPECT_EQ(editor.lines(), QStringList{QStringLiteral("R 48 X")});
    EXPECT_EQ(model->panel(1), QStringLiteral("  Syntax : OK"));
    model.reset();

    editor.clear();
    createModel({QString()});
    EXPECT_EQ(editor.lines(), QStringList{QStringLiteral("S A0 Q")});
    EXPECT_EQ(model->panel(1), QStringLiteral("  Syntax : ERROR  [ 1 : 5 ]"));
    EXPECT_EQ(model->currentScriptFileName(), QStringLiteral("text.txt"));
    model.reset();

    // A script that cannot be read leaves the editor as it was, silently.
    editor.setLines({QStringLiteral("kept")});
    createModel({dir.filePath(QStringLiteral("missing.iic"))});
    EXPECT_EQ(editor.lines(), QStringList{QStringLiteral("kept")});
    EXPECT_TRUE(ui.boxes.isEmpty());
}

TEST_F(MainModelTest, ClosingSavesTheEditorAndReportsAFailureButStillCloses)
{
    createModel();
    editor.setLines({QStringLiteral("S A0 00"), QStringLiteral("; note")});
    model->execution().ReplyReceived = false;
    EXPECT_TRUE(model->FormCloseQuery());
    EXPECT_TRUE(model->execution().ReplyReceived);
    QFile saved(paths().autosave.writePath);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(saved.readAll(), QByteArray("S A0 00\r\n; note\r\n"));
    model.reset();

    // The autosave folder is gone: the failure is reported and closing goes on.
    MainModel::Paths broken = paths();
    broken.autosave.writePath = dir.filePath(QStringLiteral("no/such/folder/taviro.cmd"));
    MainModel other(sim, ui, editor, status, broken);
    EXPECT_TRUE(other.FormCloseQuery());
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes.first().caption, QStringLiteral("Error"));
    EXPECT_EQ(ui.boxes.first().icon, UiPort::Icon::Error);
}

// Variables named in the "Variables Settings" dialog count for the script's check at once, not
// only after the next edit.
TEST_F(MainModelTest, TheScriptIsCheckedAgainWhenTheVariablesSettingsAreApplied)
{
    createModel();
    editor.setLines({QStringLiteral("R 48 @TEMP X")});
    model->SendMemoChange();
    ASSERT_NE(model->panel(1), QStringLiteral("  Syntax : OK"));

    const std::unique_ptr<DataSettingsModel> settings = model->createDataSettingsModel();
    settings->FormActivate();
    settings->GridAfterEdit(DataSettingsModel::ColName, 0, QStringLiteral("TEMP"));
    settings->setChecked(DataSettingsModel::ColActive, 0, true);
    settings->BtOkClick();
    EXPECT_EQ(model->panel(1), QStringLiteral("  Syntax : OK"));
}

TEST_F(MainModelTest, ScriptFilesRoundTripWithCrLfAndSetTheCaption)
{
    createModel();
    const QString path = dir.filePath(QStringLiteral("round.iic"));
    editor.setLines({QStringLiteral("S A0 00 ;set"), QString(), QStringLiteral("R 50 X")});
    ui.fileReplies = {path};
    model->FileSaveAs1();
    EXPECT_EQ(ui.fileRequests.last().title, QStringLiteral("Save send data as..."));
    EXPECT_TRUE(ui.fileRequests.last().confirmOverwrite);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("S A0 00 ;set\r\n\r\nR 50 X\r\n"));
    EXPECT_EQ(model->caption(), QStringLiteral("Taviro - ") + path);

    // A file with LF line ends and a syntax error loads and shows the verdict at once.
    const QString unix = dir.filePath(QStringLiteral("unix.iic"));
    {
        QFile u(unix);
        ASSERT_TRUE(u.open(QIODevice::WriteOnly));
        u.write("R 48 X\nS A0 01+\n");
    }
    ui.fileReplies = {unix};
    model->FileOpen1();
    EXPECT_EQ(ui.fileRequests.last().initialName, path);
    EXPECT_EQ(editor.lines(), (QStringList{QStringLiteral("R 48 X"), QStringLiteral("S A0 01+")}));
    EXPECT_EQ(model->panel(1), QStringLiteral("  Syntax : ERROR  [ 2 : 7 ]"));
    EXPECT_EQ(model->currentScriptFileName(), unix);

    // The status window is saved as shown.
    status.addLine(QStringLiteral("Timeout"));
    status.addLine(QStringLiteral("overload"));
    const QString statusPath = dir.filePath(QStringLiteral("status.txt"));
    ui.fileReplies = {statusPath};
    model->FileSaveAs2();
    QFile s(statusPath);
    ASSERT_TRUE(s.open(QIODevice::ReadOnly));
    EXPECT_EQ(s.readAll(), QByteArray("Timeout\r\noverload\r\n"));
    EXPECT_EQ(model->currentScriptFileName(), unix);

    // A failed open reports the error; the name and caption are already updated.
    ui.fileReplies = {dir.filePath(QStringLiteral("missing.iic"))};
    model->FileOpen1();
    EXPECT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(model->caption(), QStringLiteral("Taviro - ") + dir.filePath("missing.iic"));
    EXPECT_FALSE(editor.changeNotificationSuspended());
}

TEST_F(MainModelTest, InsertCommandLineNamesTheActiveVariablesByType)
{
    createModel();
    EXPECT_EQ(model->commandLineForVariables(), QStringLiteral("r 00"));

    VariableDefinitions& v = model->variables();
    v.declare(0, QStringLiteral("TEMP"), vtInt);
    v.declare(1, QStringLiteral("STAT"), vtByte);
    v.declare(3, QStringLiteral("L"), vtLongInt);
    v.declare(4, QStringLiteral("F"), vtFloat);
    model->setFirstFoundAddress(0x48);
    editor.setLines({QStringLiteral("S A0 00")});
    editor.setCaret({0, 2});
    model->insertCommandLine();
    EXPECT_EQ(editor.lines().last(),
              QStringLiteral("r 48 @1TEMP @0TEMP @STAT @3L @2L @1L @0L @3F @2F @1F @0F"));
    EXPECT_EQ(model->panel(1), QStringLiteral("  Syntax : OK"));
}

TEST_F(MainModelTest, StatusBarClickJumpsToTheError)
{
    createModel();
    editor.setLines({QStringLiteral("R 48 X"), QStringLiteral("S A0 XX")});
    model->PageControl1Change(MainModel::Tab::Table);
    model->StatusBar1Click();
    EXPECT_EQ(model->activeTab(), MainModel::Tab::Editor);
    EXPECT_EQ(editor.selectionStart(), (CommandEditor::Position{1, 6}));
    EXPECT_EQ(model->panel(0), QStringLiteral("2 : 6"));
}

// Every run ends the same way, however it ends: the commands are free again, and the editor
// takes the focus once, only while the Editor tab is shown.
TEST_F(MainModelTest, EveryRunEndsWithTheCommandsFreeAndTheFocusOnAShownEditor)
{
    using Tab = MainModel::Tab;
    startWithOneFastBridge();
    model->burst().setFilePath(dir.filePath(QStringLiteral("capture.dat")));
    model->setRepeatCount(2);
    struct Case
    {
        const char* name;
        QStringList lines;
        std::function<void()> run;
        std::optional<QString> panel; // the run panel at the end, where the run sets it
    };
    const std::vector<Case> cases = {
        {"send", {"R 48 X"}, [&] { model->AcSendExecute(); }, QStringLiteral("ok")},
        {"send, syntax error", {"R 48 Q"}, [&] { model->AcSendExecute(); }, QStringLiteral("ok")},
        {"repeat",
         {"R 48 X"},
         [&] {
             model->AcSendRepeatExecute();
             ASSERT_TRUE(waitFor([&] { return !model->execution().RepeatRunning; }));
         },
         std::nullopt},
        {"scan", {"R 48 X"}, [&] { model->AcListExecute(); }, QStringLiteral("ok")},
        {"burst without a transaction",
         {"; nothing to stream"},
         [&] { model->AcSendSpeedExecute(); },
         QString()},
    };
    for (const Case& c : cases) {
        for (Tab tab : {Tab::Editor, Tab::Chart}) {
            const bool editorTab = tab == Tab::Editor;
            SCOPED_TRACE(std::string(c.name) + (editorTab ? ", Editor tab" : ", Chart tab"));
            editor.setLines(c.lines);
            model->PageControl1Change(tab);
            ui.boxes.clear();
            const int focusBefore = editor.focusRequests();
            c.run();
            EXPECT_FALSE(model->execution().anyRunning());
            EXPECT_TRUE(model->actions().Send && model->actions().List && model->actions().ToFile);
            EXPECT_FALSE(model->actions().Stop);
            EXPECT_FALSE(editor.isReadOnly());
            EXPECT_EQ(editor.focusRequests() - focusBefore, editorTab ? 1 : 0);
            if (c.panel) {
                EXPECT_EQ(model->panel(2), *c.panel);
            }
            ASSERT_TRUE(waitForIdleLink());
        }
    }
}

TEST_F(MainModelTest, ClearWaveformRestartsTheCaptureAndEmptiesEverySeries)
{
    startWithOneFastBridge();
    model->variables().declare(0, QStringLiteral("SINE"), vtInt);
    model->variables().Scroll = 0;
    model->chart().putOnChart(0);
    editor.setLines({QStringLiteral("R 49 @0SINE @1SINE")});
    model->setRepeatCount(5);
    model->AcSendRepeatExecute();
    ASSERT_TRUE(waitFor([&] { return !model->execution().RepeatRunning; }));
    ASSERT_EQ(model->chart().series(0).count(), 5);
    model->chart().series(3).append(1, 2); // off the chart: emptied too
    const quint64 refreshes = model->chart().generation();

    model->AcClearWF();
    for (int i = 0; i < ChartModel::SeriesCount; ++i)
        EXPECT_EQ(model->chart().series(i).count(), 0) << i;
    EXPECT_EQ(model->capture().SampleCount, 0);
    EXPECT_EQ(model->capture().DecimationCounter, 1);
    EXPECT_EQ(model->chart().generation(), refreshes + 1);
    // The next sample starts the count again.
    model->setRepeatCount(1);
    model->AcSendRepeatExecute();
    ASSERT_TRUE(waitFor([&] { return !model->execution().RepeatRunning; }));
    ASSERT_EQ(model->chart().series(0).count(), 1);
    EXPECT_EQ(model->chart().series(0).x(0), 0);

    // Without a series on the chart there is nothing to refresh.
    model->chart().takeOffChart(0);
    const quint64 before = model->chart().generation();
    model->AcClearWF();
    EXPECT_EQ(model->chart().generation(), before);
}

TEST_F(MainModelTest, EndingTheRunsForCloseLeavesNothingRunningAndNoBridgeStreaming)
{
    startWithOneFastBridge();
    model->burst().setFilePath(dir.filePath(QStringLiteral("capture.dat")));

    // Repeat stops at once.
    editor.setLines({QStringLiteral("R 49 X X")});
    model->AcSendRepeatExecute();
    ASSERT_TRUE(waitFor([&] { return status.lineCount() > 10; }));
    model->endRunsForClose();
    EXPECT_FALSE(model->execution().anyRunning());
    ASSERT_TRUE(waitForIdleLink());

    // A burst is ended on the bridge and its file closed, without the read-back.
    model->AcSendSpeedExecute();
    ASSERT_TRUE(waitFor([&] { return firmware().streaming(); }));
    ASSERT_TRUE(waitFor([&] { return QFileInfo(model->burst().filePath()).size() > 0; }));
    model->endRunsForClose();
    EXPECT_FALSE(model->execution().anyRunning());
    EXPECT_TRUE(waitFor([&] { return !firmware().streaming(); }));
    EXPECT_EQ(model->burst().fileTab().lineCount(), 0);
    EXPECT_TRUE(model->chart().isShown());

    // A waiting Send ends after the exchange in flight.
    ASSERT_TRUE(waitForIdleLink());
    model->control().pollTimer().stop();
    editor.setLines(QStringList(20, QStringLiteral("R 48 X")));
    model->setSendAllStrings(true);
    status.clear();
    sim.devices().first()->delayNextReplies(20, 100);
    QTimer::singleShot(50, [&] { model->endRunsForClose(); });
    model->AcSendExecute();
    EXPECT_FALSE(model->execution().anyRunning());
    EXPECT_LT(status.lineCount(), 5);
}

} // namespace

namespace {

class ChartCommandsTest : public ModelFixture
{
protected:
    void SetUp() override
    {
        startWithOneFastBridge();
        if (HasFatalFailure())
            return;
        model->variables().declare(0, QStringLiteral("SINE"), vtInt);
        model->variables().Scroll = 0;
        model->chart().putOnChart(0);
        editor.setLines({QStringLiteral("R 49 @SINE @1SINE")});
    }
    const ChartSeries& sine() { return model->chart().series(0); }
};

TEST_F(ChartCommandsTest, SaveWaveformAsksForANameAndWritesTheChartWithItsPoints)
{
    model->setRepeatCount(25);
    model->AcSendRepeatExecute();
    ASSERT_TRUE(waitFor([&] { return !model->execution().RepeatRunning; }));
    const QString path = dir.filePath(QStringLiteral("wave.tvchart"));
    ui.fileReplies = {path};
    model->ChartActionSave();
    ASSERT_EQ(ui.fileRequests.size(), 1);
    const UiPort::FileRequest& r = ui.fileRequests.first();
    EXPECT_EQ(r.mode, UiPort::FileMode::Save);
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("tvchart"));
    EXPECT_TRUE(r.confirmOverwrite);
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const std::optional<ChartFile::Content> read = ChartFile::read(f.readAll(), nullptr);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->series.size(), 1);
    EXPECT_EQ(read->series[0].title, QStringLiteral("SINE"));
    ASSERT_EQ(read->series[0].points.size(), 25u);
    EXPECT_EQ(read->series[0].points[24].y, sine().y(24));

    // Cancel writes nothing; a file that cannot be written is reported.
    model->ChartActionSave();
    EXPECT_TRUE(ui.boxes.isEmpty());
    ui.fileReplies = {dir.filePath(QStringLiteral("missing/wave.tvchart"))};
    model->ChartActionSave();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes.first().caption, QStringLiteral("Error"));
}

} // namespace
