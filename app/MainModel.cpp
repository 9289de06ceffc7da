#include "app/MainModel.h"

#include "base/CommandEditor.h"
#include "base/EventPump.h"
#include "base/Hex2.h"
#include "base/StatusWindow.h"
#include "base/UiPort.h"
#include "data/ChartFile.h"
#include "data/DataSettingsModel.h"
#include "data/TVarType.h"
#include "firmware/BootloaderConversion.h"
#include "firmware/TUpgradeForm.h"
#include "link/BridgeCommands.h"
#include "script/BurstCapture.h"
#include "script/BusScan.h"
#include "script/CheckScript.h"
#include "script/ScriptFile.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>

namespace {
const QString ApplicationTitle = QStringLiteral("Taviro");
const QString DefaultScriptFileName = QStringLiteral("text.txt");
const QString SyntaxOk = QStringLiteral("  Syntax : OK");
} // namespace

MainModel::Paths MainModel::defaultPaths(const QString& executableName)
{
    Paths p;
    p.executableFolder = QCoreApplication::applicationDirPath();
    p.settings = StartupSettings::defaultLocation(executableName);
    p.autosave = ProgramFiles::locate(p.executableFolder, {QStringLiteral("taviro.cmd")});
    return p;
}

MainModel::MainModel(HidPlatform& platform, UiPort& ui, CommandEditor& editor,
                     StatusWindow& statusWindow, const Paths& paths, const Clock& clock)
    : m_ui(ui), m_editor(editor), m_statusWindow(statusWindow), m_clock(clock), m_paths(paths),
      m_panels({QStringLiteral("1 : 0"), SyntaxOk, QString(), QStringLiteral("disconnected"),
                QStringLiteral("No power"), QString()}),
      m_execution(m_panels), m_transport(m_flags, clock), m_controller(platform),
      m_bridges(m_controller, m_transport), m_control(m_bridges, m_transport), m_chart(m_variables),
      m_capture(m_variables, m_chart, clock), m_compiler(m_variables, ui, m_readingState),
      m_runner(m_execution, m_transport, editor, statusWindow, m_compiler, m_capture, m_chart),
      m_scan(std::make_unique<BusScan>(m_execution, m_transport, statusWindow)),
      m_burst(std::make_unique<BurstCapture>(m_execution, m_transport, editor, statusWindow, ui,
                                             m_compiler, m_capture, m_chart)),
      m_caption(ApplicationTitle)
{
    connect(&m_panels, &StatusPanels::changed, this, &MainModel::panelsChanged);
    connect(&m_execution, &Execution::changed, this, &MainModel::UpdateActions);
    connect(&m_execution, &Execution::runEnded, this, &MainModel::focusEditorIfShown);

    m_transport.appendStatusLine = [this](const QString& line) { m_statusWindow.addLine(line); };
    m_transport.onControlReply = [this] { m_control.OnControlReply(m_transport.inputReport()); };
    m_transport.onTransactionReply = [this] { onTransactionReply(); };

    m_controller.setOnArrival([this](THidDevice* d) { m_bridges.HIDCtlArrival(d); });
    m_controller.setOnRemoval([this](THidDevice* d) { m_bridges.HIDCtlRemoval(d); });
    m_bridges.UpdateActions = [this] { UpdateActions(); };
    m_bridges.setPollInterval = [this](int ms) { m_control.pollTimer().setInterval(ms); };
    m_bridges.changed = [this] { Q_EMIT bridgeListChanged(); };
    m_control.runActive = [this] { return m_execution.state().anyRunning(); };
    m_control.burstStartRetry = [this] { return m_burst->startRetry(); };
    connect(&m_control, &BridgeControl::displayChanged, this, &MainModel::onControlDisplayChanged);
    m_editor.onTextChanged = [this] { SendMemoChange(); };

    // A file that grows past the process's size limit (RLIMIT_FSIZE) then fails to be
    // written, like one on a full disk, and is reported, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    UpdateActions();
}

MainModel::~MainModel()
{
    m_control.pollTimer().stop();
    m_editor.onTextChanged = nullptr;
    // Reports handed over while the bridges are returned below find no run to go to; nothing
    // follows the state any more, so it changes without a notification.
    m_execution.state() = ExecutionState{};
}

void MainModel::FormCreate(const QStringList& arguments)
{
    readStartupSettings();
    loadStartupScript(arguments);
}

void MainModel::readStartupSettings()
{
    StartupSettings(m_ui, m_paths.settings).read(m_variables, m_chart);
}

void MainModel::applyVariables(const VariableDefinitions& definitions)
{
    m_variables = definitions;
    for (int i = 0; i < VariableDefinitions::Count; ++i) {
        if (m_variables.DataVars[size_t(i)].Active)
            m_chart.putOnChart(i);
        else
            m_chart.takeOffChart(i);
    }
    m_chart.appearanceChanged();
}

void MainModel::loadStartupScript(const QStringList& arguments)
{
    const QString path = !arguments.isEmpty() && !arguments.first().isEmpty()
                             ? arguments.first()
                             : m_paths.autosave.readPath;
    QStringList lines;
    // A missing or unreadable start-up script leaves the editor as it was, silently.
    if (ScriptFile::read(path, lines)) {
        m_editor.setChangeNotificationSuspended(true);
        m_editor.setLines(lines);
        m_editor.setChangeNotificationSuspended(false);
        SendMemoChange();
    }
}

void MainModel::start()
{
    m_controller.start();
    m_control.pollTimer().start();
}

void MainModel::FormActivate()
{
    m_capture.DecimationCounter = 1;
    m_capture.SampleCount = 0;
    m_capture.CaptureStart = m_clock.nowMs();
    m_tab = Tab::Editor;
    Q_EMIT tabChanged();
    m_transport.editOutputReport(
        [](OutputReport& report) { std::fill(report.begin(), report.begin() + 10, quint8(0)); });
    m_editor.setFocus();
    ClearRunFlags();
    m_scriptFileName = DefaultScriptFileName;
    std::fill(m_capture.RawSlots.begin(), m_capture.RawSlots.begin() + 16, quint8(0));
    UpdateActions();
}

bool MainModel::FormCloseQuery()
{
    m_execution.state().ReplyReceived = true;
    QString error;
    if (!ScriptFile::write(m_paths.autosave.writePath, m_editor.lines(), &error))
        m_ui.messageBox(QStringLiteral("Cannot save %1: %2").arg(m_paths.autosave.writePath, error),
                        QStringLiteral("Error"), UiPort::Icon::Error, int(UiPort::Button::Ok));
    return true;
}

void MainModel::endRunsForClose()
{
    ExecutionState& e = m_execution.state();
    if (e.SendBusy || e.ListBusy)
        e.AbortRequested = true;
    if (e.RepeatRunning)
        m_runner.stopRepeat();
    if (e.BurstRunning)
        m_burst->endStream();
}

void MainModel::ClearRunFlags()
{
    m_execution.clear();
}

void MainModel::UpdateActions()
{
    m_connected = m_bridges.connected();
    setPanel(3, m_bridges.connectionText());

    const ExecutionState& e = m_execution.state();
    const bool free = m_connected && !e.anyRunning();
    ActionStates a;
    a.Reset = m_connected;
    a.List = a.Send = a.SendRepeat = a.ToFile = free;
    a.Stop = m_connected && !e.SendBusy && !e.ListBusy && (e.RepeatRunning || e.BurstRunning);
    a.EditorReadOnly = e.SendBusy || e.RepeatRunning;
    const bool editor = m_tab == Tab::Editor;
    a.ClearMemo = a.Cut = a.Copy = a.Paste = a.SelectAll = editor;
    const bool chart = m_tab == Tab::Chart;
    a.ChartSettings = a.SaveWaveform = a.CopyWaveform = chart;
    m_editor.setReadOnly(a.EditorReadOnly);
    if (!(a == m_actions)) {
        m_actions = a;
        Q_EMIT actionsChanged();
    }
    Q_EMIT bridgeListChanged();
}

void MainModel::PageControl1Change(Tab tab)
{
    m_tab = tab;
    Q_EMIT tabChanged();
    UpdateActions();
}

void MainModel::onControlDisplayChanged()
{
    setPanel(4, m_control.powerPanelText());
    Q_EMIT panelsChanged();
}

void MainModel::focusEditorIfShown()
{
    if (m_tab != Tab::Editor)
        return;
    m_editor.setFocus();
}

void MainModel::SendMemoChange()
{
    m_verdict = CheckScript(m_editor.lines(), m_variables);
    setPanel(1, m_verdict.panelText());
    Q_EMIT verdictChanged();
}

void MainModel::editorCaretMoved()
{
    const CommandEditor::Position caret = m_editor.selectionStart();
    setPanel(0, QStringLiteral("%1 : %2").arg(caret.line + 1).arg(caret.column));
}

void MainModel::StatusBar1Click()
{
    if (m_panels.text(StatusPanels::Syntax) == SyntaxOk)
        return;
    PageControl1Change(Tab::Editor);
    m_editor.setFocus();
    m_editor.setCaretToOffset(m_verdict.position);
    editorCaretMoved();
}

void MainModel::onTransactionReply()
{
    m_capture.updateElapsed();
    ExecutionState& e = m_execution.state();
    if (e.SendBusy || e.ListBusy) {
        // A late report answers a transaction that has already failed.
        if (!m_transport.lastReportLate())
            e.ReplyReceived = true;
    } else if (e.BurstRunning)
        m_burst->writeReport(m_transport.inputReport());
    else if (e.RepeatRunning)
        m_runner.repeatReplyStep();
}

void MainModel::AcSendExecute()
{
    m_runner.AcSendExecute();
}

void MainModel::AcSendRepeatExecute()
{
    m_runner.AcSendRepeatExecute();
}

void MainModel::AcListExecute()
{
    m_scan->AcListExecute();
}

void MainModel::AcSendSpeedExecute()
{
    m_burst->AcSendSpeedExecute();
}

void MainModel::AcStopExecute()
{
    if (m_execution.state().RepeatRunning) {
        m_runner.stopRepeat();
        return;
    }
    if (m_execution.state().BurstRunning) {
        m_burst->stop();
        return;
    }
    // Neither Repeat nor a burst runs: a Send or bus scan in progress is not affected.
    UpdateActions();
    focusEditorIfShown();
    setPanel(2, BurstCapture::summary(0, 0));
}

void MainModel::AcResetExecute()
{
    AcStopExecute();
    setPanel(2, QStringLiteral("reset device"));
    m_control.checkSpeedItem(BridgeControl::Speed100K);
    m_chart.setShown(true);
    pumpUntil([this] { return !m_flags.WriteOutstanding; });
    m_transport.StartTransfer(BridgeCommands::reset());
    m_statusWindow.addLine(QStringLiteral("RESET Device"));
    m_statusWindow.scrollToEnd();
    focusEditorIfShown();
    ExecutionState& e = m_execution.state();
    if (e.SendBusy || e.ListBusy)
        e.AbortRequested = true;
    UpdateActions();
}

void MainModel::AcClearWF()
{
    m_capture.RestartCapture();
    m_chart.clearAll();
    // Definitions, axis titles, the scale and the zoom stay as they are.
    if (m_chart.seriesOnChartCount() > 0)
        m_chart.refresh();
}

quint8 MainModel::firstFoundAddress() const
{
    return m_scan->firstFoundAddress();
}

void MainModel::setFirstFoundAddress(quint8 address)
{
    m_scan->setFirstFoundAddress(address);
}

std::unique_ptr<TUpgradeForm> MainModel::createUpgradeForm(QObject* parent)
{
    return std::make_unique<TUpgradeForm>(
        m_transport, m_bridges, m_control, m_ui, [this] { AcStopExecute(); }, parent);
}

std::unique_ptr<DataSettingsModel> MainModel::createDataSettingsModel(const QLocale& locale,
                                                                      QObject* parent)
{
    auto model = std::make_unique<DataSettingsModel>(m_chart, m_capture, m_ui, m_paths.settings,
                                                     locale, parent);
    // The script's check names variables: a name that came or went changes its verdict.
    connect(model.get(), &DataSettingsModel::applied, this, &MainModel::SendMemoChange);
    return model;
}

void MainModel::showFileError(const QString& error)
{
    m_ui.messageBox(error, QStringLiteral("Error"), UiPort::Icon::Error, int(UiPort::Button::Ok));
}

void MainModel::FileOpen1()
{
    UiPort::FileRequest request;
    request.mode = UiPort::FileMode::Open;
    request.initialName = m_scriptFileName;
    request.filters = {QStringLiteral("IIC files|*.iic"), QStringLiteral("Text files|*.txt"),
                       QStringLiteral("All files|*.*")};
    request.defaultSuffix = QStringLiteral("iic");
    const QString path = m_ui.chooseFile(request);
    if (!path.isEmpty())
        openScript(path);
}

bool MainModel::openScript(const QString& path)
{
    m_editor.setChangeNotificationSuspended(true);
    m_scriptFileName = QFileInfo(path).absoluteFilePath();
    m_caption = ApplicationTitle + QStringLiteral(" - ") + m_scriptFileName;
    Q_EMIT captionChanged();
    QStringList lines;
    QString error;
    const bool read = ScriptFile::read(path, lines, &error);
    if (read)
        m_editor.setLines(lines);
    m_editor.setChangeNotificationSuspended(false);
    if (!read) {
        showFileError(error);
        return false;
    }
    SendMemoChange();
    return true;
}

void MainModel::FileOpen2()
{
    UiPort::FileRequest request;
    request.mode = UiPort::FileMode::Open;
    request.initialName = m_bootloaderFileName;
    request.filters = {QStringLiteral("txt|*.txt")};
    request.defaultSuffix = QStringLiteral("txt");
    const QString path = m_ui.chooseFile(request);
    if (!path.isEmpty())
        openBootloaderFile(path);
}

bool MainModel::openBootloaderFile(const QString& path)
{
    m_editor.setChangeNotificationSuspended(true);
    m_bootloaderFileName = QFileInfo(path).absoluteFilePath();
    m_caption = ApplicationTitle + QStringLiteral(" - ") + m_bootloaderFileName;
    Q_EMIT captionChanged();
    m_editor.clear();
    const BootloaderConversion conversion = BootloaderConversion::readFile(path);
    QStringList lines = conversion.lines();
    // ";END" goes in once the notification is back, so that adding it runs the check once.
    if (conversion.completed())
        lines.removeLast();
    m_editor.setLines(lines);
    m_editor.setChangeNotificationSuspended(false);
    if (!conversion.completed()) {
        showFileError(conversion.error());
        return false;
    }
    m_editor.appendLine(conversion.lines().last());
    return true;
}

void MainModel::FileSaveAs1()
{
    UiPort::FileRequest request;
    request.mode = UiPort::FileMode::Save;
    request.title = QStringLiteral("Save send data as...");
    request.initialName = m_scriptFileName;
    request.filters = {QStringLiteral("IIC files|*.iic"), QStringLiteral("Text files|*.txt"),
                       QStringLiteral("All files|*.*")};
    request.defaultSuffix = QStringLiteral("iic");
    request.confirmOverwrite = true;
    const QString path = m_ui.chooseFile(request);
    if (!path.isEmpty())
        saveScript(path);
}

bool MainModel::saveScript(const QString& path)
{
    QString error;
    if (!ScriptFile::write(path, m_editor.lines(), &error)) {
        showFileError(error);
        return false;
    }
    m_scriptFileName = QFileInfo(path).absoluteFilePath();
    m_caption = ApplicationTitle + QStringLiteral(" - ") + m_scriptFileName;
    Q_EMIT captionChanged();
    return true;
}

void MainModel::FileSaveAs2()
{
    UiPort::FileRequest request;
    request.mode = UiPort::FileMode::Save;
    request.title = QStringLiteral("Save receive data as...");
    request.initialName = QStringLiteral("*.txt");
    request.filters = {QStringLiteral("Text files|*.txt"), QStringLiteral("All files|*.*")};
    request.defaultSuffix = QStringLiteral("txt");
    request.confirmOverwrite = true;
    const QString path = m_ui.chooseFile(request);
    if (!path.isEmpty())
        saveStatusWindow(path);
}

bool MainModel::saveStatusWindow(const QString& path)
{
    QString error;
    if (!ScriptFile::write(path, m_statusWindow.lines(), &error)) {
        showFileError(error);
        return false;
    }
    return true;
}

void MainModel::ChartActionSave()
{
    UiPort::FileRequest request;
    request.mode = UiPort::FileMode::Save;
    request.title = QStringLiteral("Save Chart");
    request.initialName = QStringLiteral("chart.") + QLatin1String(ChartFile::Suffix);
    request.filters = {QStringLiteral("Chart files|*.") + QLatin1String(ChartFile::Suffix),
                       QStringLiteral("All files|*.*")};
    request.defaultSuffix = QLatin1String(ChartFile::Suffix);
    request.confirmOverwrite = true;
    const QString path = m_ui.chooseFile(request);
    if (!path.isEmpty())
        saveChart(path, true);
}

bool MainModel::saveChart(const QString& path, bool withData)
{
    QString error;
    if (!ChartFile::save(m_chart, path, withData, &error)) {
        showFileError(QStringLiteral("Cannot write %1: %2").arg(path, error));
        return false;
    }
    return true;
}

QString MainModel::commandLineForVariables() const
{
    QString line = QStringLiteral("r ") + hex2(firstFoundAddress());
    for (int i = 0; i < VariableDefinitions::Count; ++i) {
        const TDataVariable& v = m_variables.DataVars[size_t(i)];
        if (!v.Active)
            continue;
        const QString& name = m_variables.Names[size_t(i)];
        if (v.Type == vtByte) {
            line += QStringLiteral(" @") + name;
            continue;
        }
        for (int b = varTypeByteCount(v.Type) - 1; b >= 0; --b)
            line += QStringLiteral(" @%1").arg(b) + name;
    }
    return line;
}

void MainModel::insertCommandLine()
{
    m_editor.appendLine(commandLineForVariables());
}

void MainModel::clearEditor()
{
    m_editor.clear();
    m_editor.setFocus();
}

void MainModel::selectAllEditor()
{
    m_editor.selectAll();
}

void MainModel::AcClearReceiveMemo()
{
    m_statusWindow.clear();
    m_editor.setFocus();
}

void MainModel::selectAllStatusWindow()
{
    m_statusWindow.selectAll();
}
