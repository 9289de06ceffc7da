#include "app/MainModel.h"

#include "app/EventPump.h"
#include "app/StatusWindow.h"
#include "link/BridgeCommands.h"

MainModel::MainModel(HidPlatform& platform, UiPort& ui, StatusWindow& statusWindow,
                     const Clock& clock)
    : m_ui(ui), m_statusWindow(statusWindow), m_clock(clock), m_transport(m_flags, clock),
      m_controller(platform), m_bridges(m_controller, m_transport, m_flags),
      m_control(m_bridges, m_transport, m_flags)
{
    m_panels = {QStringLiteral("1 : 0"), QStringLiteral("  Syntax : OK"), QString(),
                QStringLiteral("disconnected"), QStringLiteral("No power"), QString()};

    m_transport.appendStatusLine = [this](const QString& line) { m_statusWindow.addLine(line); };
    m_transport.onControlReply = [this] { m_control.OnControlReply(m_transport.inputReport()); };

    m_controller.setOnArrival([this](THidDevice* d) { m_bridges.HIDCtlArrival(d); });
    m_controller.setOnRemoval([this](THidDevice* d) { m_bridges.HIDCtlRemoval(d); });
    m_bridges.UpdateActions = [this] { UpdateActions(); };
    m_bridges.setPollInterval = [this](int ms) { m_control.pollTimer().setInterval(ms); };
    m_bridges.changed = [this] { Q_EMIT bridgeListChanged(); };
    m_control.runActive = [this] { return m_execution.anyRunning(); };
    connect(&m_control, &BridgeControl::displayChanged, this,
            &MainModel::onControlDisplayChanged);

    UpdateActions();
}

MainModel::~MainModel()
{
    m_control.pollTimer().stop();
}

void MainModel::start()
{
    m_controller.start();
    m_control.pollTimer().start();
}

void MainModel::UpdateActions()
{
    m_connected = m_bridges.connected();
    setPanel(3, m_bridges.connectionText());

    const ExecutionState& e = m_execution;
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
    if (!(a == m_actions)) {
        m_actions = a;
        Q_EMIT actionsChanged();
    }
    Q_EMIT bridgeListChanged();
}

void MainModel::PageControl1Change(Tab tab)
{
    m_tab = tab;
    UpdateActions();
}

void MainModel::setPanel(int index, const QString& text)
{
    if (m_panels[index] == text)
        return;
    m_panels[index] = text;
    Q_EMIT panelsChanged();
}

void MainModel::onControlDisplayChanged()
{
    setPanel(4, m_control.powerPanelText());
    Q_EMIT panelsChanged();
}

void MainModel::focusEditorIfShown()
{
    if (m_tab == Tab::Editor)
        Q_EMIT editorFocusRequested();
}

void MainModel::AcStopExecute()
{
    // Neither Repeat nor a burst runs: a Send or bus scan in progress is not affected.
    UpdateActions();
    focusEditorIfShown();
    setPanel(2, QStringLiteral("Ct=0 Rate=0 smp/s"));
}

void MainModel::AcResetExecute()
{
    AcStopExecute();
    setPanel(2, QStringLiteral("reset device"));
    m_control.checkSpeedItem(BridgeControl::Speed100K);
    pumpUntil([this] { return !m_flags.WriteOutstanding; });
    m_transport.StartTransfer(BridgeCommands::reset());
    m_statusWindow.addLine(QStringLiteral("RESET Device"));
    m_statusWindow.scrollToEnd();
    focusEditorIfShown();
    if (m_execution.SendBusy || m_execution.ListBusy)
        m_flags.AbortRequested = true;
    UpdateActions();
}
