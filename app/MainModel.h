#pragma once

#include "app/ActionStates.h"
#include "base/Clock.h"
#include "base/ProgramFiles.h"
#include "base/StatusPanels.h"
#include "data/CaptureState.h"
#include "data/ChartModel.h"
#include "data/StartupSettings.h"
#include "data/VariableDefinitions.h"
#include "link/BridgeControl.h"
#include "link/BridgeList.h"
#include "link/LinkFlags.h"
#include "link/THidDeviceController.h"
#include "link/Transport.h"
#include "script/CheckVerdict.h"
#include "script/Execution.h"
#include "script/LineCompiler.h"
#include "script/ScriptRunner.h"

#include <QLocale>
#include <QObject>
#include <QString>

#include <memory>

class BurstCapture;
class BusScan;
class CommandEditor;
class DataSettingsModel;
class HidPlatform;
class StatusWindow;
class TUpgradeForm;
class UiPort;

// The main window as a model: it owns the HID controller, the bridge list, the transport and
// the poll timer, the variables, the capture state and the chart series, the execution states
// and every text the window shows. The GUI and the CLI bind to it; nothing here knows about
// widgets. Everything runs on the GUI thread.
class MainModel : public QObject
{
    Q_OBJECT

public:
    enum class Tab { Editor, Chart, Table, File };

    // Where the files beside the executable live.
    struct Paths
    {
        QString executableFolder;
        ProgramFiles::Location settings;
        ProgramFiles::Location autosave; // "taviro.cmd"
    };
    // The GUI's files; taviro-cli passes "taviro" so that both share one set.
    static Paths defaultPaths(const QString& executableName = QString());

    MainModel(HidPlatform& platform, UiPort& ui, CommandEditor& editor, StatusWindow& statusWindow,
              const Paths& paths, const Clock& clock = SteadyClock::instance());
    ~MainModel() override;

    // Start-up: reads the settings and loads the editor from the first argument, if there is
    // a non-empty one, else from the autosave file.
    void FormCreate(const QStringList& arguments);
    // The two halves of the start-up: the settings file, then the script.
    void readStartupSettings();
    void loadStartupScript(const QStringList& arguments);
    // Replaces the definitions and puts exactly the active variables' series on the chart
    // (definitions that come from somewhere else than the settings file: the CLI's --var).
    void applyVariables(const VariableDefinitions& definitions);
    // Once the event loop runs: the first enumeration (posted) and the poll timer.
    void start();
    // Each time the main window becomes the active window.
    void FormActivate();
    // Closing is always allowed: releases a waiting Send or scan and saves the editor.
    bool FormCloseQuery();
    // The window is about to close: a waiting Send or bus scan ends after the exchange in
    // flight, Repeat stops, and a burst stream is ended without its read-back, so that the
    // program can exit at once and leaves no bridge streaming.
    void endRunsForClose();

    void UpdateActions();
    const ActionStates& actions() const { return m_actions; }
    bool Connected() const { return m_connected; }
    ExecutionState& execution() { return m_execution.state(); }
    void ClearRunFlags();

    Tab activeTab() const { return m_tab; }
    void PageControl1Change(Tab tab);

    // Status bar panels 0..5 and the two painted conditions (lime when true, red when false).
    QString panel(int index) const { return m_panels.text(index); }
    void setPanel(int index, const QString& text) { m_panels.setText(index, text); }
    bool connectedCondition() const { return m_connected; }
    bool targetPoweredCondition() const { return m_control.TargetPowered(); }

    // The editor's change notification: the syntax check.
    void SendMemoChange();
    const CheckVerdict& verdict() const { return m_verdict; }
    // Panel 0 after a key or mouse-button release in the editor.
    void editorCaretMoved();
    // A click on the status bar jumps to the error, if there is one.
    void StatusBar1Click();

    // Run commands.
    void AcSendExecute();
    void AcSendRepeatExecute();
    void AcListExecute();
    void AcSendSpeedExecute();
    void AcStopExecute();
    void AcResetExecute();
    // "Clear waveform": the capture restarts and every series is emptied.
    void AcClearWF();
    void ListBox1Click(int index) { m_bridges.ListBox1Click(index); }

    // The controls of the button panel.
    bool sendAllStrings() const { return m_runner.sendAllStrings(); }
    void setSendAllStrings(bool on) { m_runner.setSendAllStrings(on); }
    int repeatCount() const { return m_runner.repeatCount(); }
    void setRepeatCount(int count) { m_runner.setRepeatCount(count); }
    int scanPeriodMs() const { return m_runner.scanPeriodMs(); }
    void setScanPeriodMs(int ms) { m_runner.setScanPeriodMs(ms); }

    // Script files and editor commands.
    void FileOpen1();
    void FileSaveAs1();
    void FileSaveAs2();
    bool openScript(const QString& path);
    // "Open I2C BL file...": converts an I2C boot-loader text file into the editor.
    void FileOpen2();
    bool openBootloaderFile(const QString& path);
    QString BootloaderFileName() const { return m_bootloaderFileName; }
    bool saveScript(const QString& path);
    bool saveStatusWindow(const QString& path);
    void insertCommandLine();
    QString commandLineForVariables() const;
    void clearEditor();
    void selectAllEditor();
    void AcClearReceiveMemo();
    void selectAllStatusWindow();
    QString caption() const { return m_caption; }
    QString currentScriptFileName() const { return m_scriptFileName; }
    quint8 firstFoundAddress() const;
    void setFirstFoundAddress(quint8 address);
    const Paths& paths() const { return m_paths; }

    // "Save waveform": asks for a file name and writes the chart file with its points.
    void ChartActionSave();
    bool saveChart(const QString& path, bool withData);

    // The "Upgrade Firmware" dialog's model, working on this window's link and bridges.
    std::unique_ptr<TUpgradeForm> createUpgradeForm(QObject* parent = nullptr);
    // The "Variables Settings" dialog's model, on this window's variables, series and capture;
    // its OK writes this window's start-up settings file.
    std::unique_ptr<DataSettingsModel> createDataSettingsModel(const QLocale& locale = QLocale(),
                                                               QObject* parent = nullptr);

    LinkFlags& flags() { return m_flags; }
    Transport& transport() { return m_transport; }
    THidDeviceController& HIDCtl() { return m_controller; }
    BridgeList& bridges() { return m_bridges; }
    BridgeControl& control() { return m_control; }
    VariableDefinitions& variables() { return m_variables; }
    ChartModel& chart() { return m_chart; }
    CaptureState& capture() { return m_capture; }
    LineCompiler& compiler() { return m_compiler; }
    ScriptRunner& runner() { return m_runner; }
    BusScan& scan() { return *m_scan; }
    BurstCapture& burst() { return *m_burst; }
    CommandEditor& editor() { return m_editor; }
    StatusWindow& statusWindow() { return m_statusWindow; }
    UiPort& ui() { return m_ui; }
    const Clock& clock() const { return m_clock; }

Q_SIGNALS:
    void actionsChanged();
    void panelsChanged();
    void bridgeListChanged();
    void captionChanged();
    void verdictChanged();
    void tabChanged();

private:
    // The end of every run, and Stop: the editor takes the focus if its tab is shown.
    void focusEditorIfShown();
    void onTransactionReply();
    void onControlDisplayChanged();
    void showFileError(const QString& error);

    UiPort& m_ui;
    CommandEditor& m_editor;
    StatusWindow& m_statusWindow;
    const Clock& m_clock;
    Paths m_paths;
    StatusPanels m_panels;
    Execution m_execution;

    LinkFlags m_flags;
    Transport m_transport;
    THidDeviceController m_controller;
    BridgeList m_bridges;
    BridgeControl m_control;

    VariableDefinitions m_variables;
    ChartModel m_chart;
    CaptureState m_capture;
    bool m_readingState = false;
    LineCompiler m_compiler;
    ScriptRunner m_runner;
    std::unique_ptr<BusScan> m_scan;
    std::unique_ptr<BurstCapture> m_burst;

    ActionStates m_actions;
    bool m_connected = false;
    Tab m_tab = Tab::Editor;
    CheckVerdict m_verdict;

    QString m_caption;
    QString m_scriptFileName;
    QString m_bootloaderFileName;
};
