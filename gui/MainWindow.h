#pragma once

#include "app/MainModel.h"
#include "gui/GuiUiPort.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class BottomPanel;
class ChartView;
class CommandEditorView;
class DataSettingsModel;
class FileTabView;
class HelpSystem;
class HidPlatform;
class MainStatusBar;
class QActionGroup;
class QDialog;
class QTabWidget;
class QToolBar;
class SeriesTableView;
class StatusWindowView;
class TfmDataSettings;
class TUpgradeForm;
class UpgradeDialog;

// The main window: a thin view of the main-window model. It owns the model and gives it the
// widget ports (real dialogs, the command editor, the status window), forwards every action
// to the model's handlers and follows the model's signals. Actions and controls carry the
// names the tests and the other windows find them by (AcSend, FileOpen1, SendMemo, ...).
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr QSize InitialClientSize{785, 572};
    static constexpr QSize MinimumSize{380, 275};

    // Builds the window and runs the model's start-up with the program's arguments (the
    // first one, if not empty, names the script to load).
    MainWindow(HidPlatform& platform, const MainModel::Paths& paths, const QStringList& arguments,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Once the window is shown: the activation, then the first enumeration and the poll timer.
    void start();
    // Runs one of the program's own dialogs (About, "Variables Settings", "Upgrade
    // Firmware") modally; the activation runs when it has closed.
    int execDialog(QDialog& dialog);

    MainModel& model() { return *m_model; }
    CommandEditorView& editor() { return *m_editor; }
    StatusWindowView& statusWindow() { return *m_status; }
    MainStatusBar& panels() { return *m_statusBar; }
    BottomPanel& bottomPanel() { return *m_bottom; }
    QTabWidget& tabs() { return *m_tabs; }
    QToolBar& toolBar() { return *m_toolBar; }
    TfmDataSettings& dataSettings() { return *m_dataSettings; }
    ChartView& chartView() { return *m_chart; }
    SeriesTableView& tableView() { return *m_table; }
    FileTabView& fileTabView() { return *m_fileTab; }
    UpgradeDialog& upgradeDialog() { return *m_upgradeDialog; }

    // The help loaded at start-up: "Help Contents" opens it and F1 in this window is served.
    // Without it both do nothing.
    void setHelp(HelpSystem& help);
    GuiUiPort& ui() { return m_ui; }
    // The action with that object name ("AcSend", "FileOpen1", "IICSpeed100K1", ...).
    QAction* action(const QString& name) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createTabs();
    QWidget* createEditorTab();
    QWidget* createChartTab();
    QWidget* createTableTab();
    QWidget* createFileTab();
    void bindModel();
    void bindBottomPanel();

    void applyActions();
    void updatePanels();
    void updateBridgeList();
    void updateControlDisplay();
    void updateEditActions();
    void showAbout();
    void showDataSettings();
    // The chart's export dialog ("&Save other") and editor ("&Chart settings..."): modal,
    // without the activation that the program's own dialogs run.
    void showChartExport();
    void showChartSettings();
    void showUpgrade();
    void showHelpContents();
    // The focused text pane, for the Edit commands.
    QWidget* focusedTextControl() const;

    // Runs a model handler that may wait in the event loop. A close asked for meanwhile ends
    // the run and happens once the outermost handler has returned.
    void runHandler(const std::function<void()>& handler);

    QAction* newAction(const char* name, const QString& caption);

    GuiUiPort m_ui;
    CommandEditorView* m_editor = nullptr;
    StatusWindowView* m_status = nullptr;
    std::unique_ptr<MainModel> m_model;
    // The "Variables Settings" dialog, made with the window as the program's dialogs are.
    std::unique_ptr<DataSettingsModel> m_dataSettingsModel;
    TfmDataSettings* m_dataSettings = nullptr;
    std::unique_ptr<TUpgradeForm> m_upgradeForm;
    UpgradeDialog* m_upgradeDialog = nullptr;
    HelpSystem* m_help = nullptr;

    QTabWidget* m_tabs = nullptr;
    ChartView* m_chart = nullptr;
    SeriesTableView* m_table = nullptr;
    FileTabView* m_fileTab = nullptr;
    QToolBar* m_toolBar = nullptr;
    MainStatusBar* m_statusBar = nullptr;
    BottomPanel* m_bottom = nullptr;
    QActionGroup* m_speeds = nullptr;

    int m_handlerDepth = 0;
    bool m_closePending = false;
    bool m_closeQueried = false;
    bool m_syncing = false; // the window follows the model; user signals are not forwarded
};
