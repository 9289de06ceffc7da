#pragma once

#include "app/ActionStates.h"
#include "app/Clock.h"
#include "app/ExecutionState.h"
#include "link/BridgeControl.h"
#include "link/BridgeList.h"
#include "link/LinkFlags.h"
#include "link/THidDeviceController.h"
#include "link/Transport.h"

#include <QObject>
#include <QString>

#include <array>

class HidPlatform;
class StatusWindow;
class UiPort;

// The main window as a model: it owns the HID controller, the bridge list, the transport and
// the poll timer, the execution states and the texts the window shows. The GUI and the CLI
// bind to it; nothing here knows about widgets.
class MainModel : public QObject
{
    Q_OBJECT

public:
    enum class Tab { Editor, Chart, Table, File };
    static constexpr int PanelCount = 6;

    MainModel(HidPlatform& platform, UiPort& ui, StatusWindow& statusWindow,
              const Clock& clock = SteadyClock::instance());
    ~MainModel() override;

    // Once the event loop runs: the first enumeration (posted) and the poll timer.
    void start();

    void UpdateActions();
    const ActionStates& actions() const { return m_actions; }
    bool Connected() const { return m_connected; }
    ExecutionState& execution() { return m_execution; }

    Tab activeTab() const { return m_tab; }
    void PageControl1Change(Tab tab);

    // Status bar panels 0..5 and the two painted conditions (lime when true, red when false).
    QString panel(int index) const { return m_panels[index]; }
    void setPanel(int index, const QString& text);
    bool connectedCondition() const { return m_connected; }
    bool targetPoweredCondition() const { return m_flags.TargetPowered; }

    void AcResetExecute();
    void AcStopExecute();
    void ListBox1Click(int index) { m_bridges.ListBox1Click(index); }

    LinkFlags& flags() { return m_flags; }
    Transport& transport() { return m_transport; }
    THidDeviceController& HIDCtl() { return m_controller; }
    BridgeList& bridges() { return m_bridges; }
    BridgeControl& control() { return m_control; }
    StatusWindow& statusWindow() { return m_statusWindow; }
    UiPort& ui() { return m_ui; }
    const Clock& clock() const { return m_clock; }

Q_SIGNALS:
    void actionsChanged();
    void panelsChanged();
    void bridgeListChanged();
    // Editor focus requests from handlers ("give the command editor the focus").
    void editorFocusRequested();

private:
    void focusEditorIfShown();
    void onControlDisplayChanged();

    UiPort& m_ui;
    StatusWindow& m_statusWindow;
    const Clock& m_clock;

    LinkFlags m_flags;
    Transport m_transport;
    THidDeviceController m_controller;
    BridgeList m_bridges;
    BridgeControl m_control;

    ExecutionState m_execution;
    ActionStates m_actions;
    bool m_connected = false;
    Tab m_tab = Tab::Editor;
    std::array<QString, PanelCount> m_panels;
};
