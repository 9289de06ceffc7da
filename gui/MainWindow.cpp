#include "gui/MainWindow.h"

#include "data/DataSettingsModel.h"
#include "firmware/TUpgradeForm.h"
#include "gui/AboutDialog.h"
#include "gui/BottomPanel.h"
#include "gui/ChartExportDialog.h"
#include "gui/ChartSettingsDialog.h"
#include "gui/ChartView.h"
#include "gui/CommandEditorView.h"
#include "gui/FileTabView.h"
#include "gui/HelpSystem.h"
#include "gui/MainStatusBar.h"
#include "gui/PaintedPanel.h"
#include "gui/SeriesTableView.h"
#include "gui/StatusWindowView.h"
#include "gui/TfmDataSettings.h"
#include "gui/UpgradeDialog.h"

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

// The rcc file of a static library is linked only when something refers to it.
static void initResources()
{
    Q_INIT_RESOURCE(taviro);
}

namespace {

const char* HelpContext = "helpContext";

// A hint "A|B" is a tooltip A with the status-bar text B; a hint without a bar is a tooltip.
void setHint(QAction* action, const QString& hint)
{
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    if (bar < 0) {
        action->setToolTip(hint);
        return;
    }
    action->setToolTip(hint.left(bar).trimmed());
    action->setStatusTip(hint.mid(bar + 1).trimmed());
}

// A bottom-panel button presses its action and follows its enabling.
void bindButton(QPushButton* button, QAction* action)
{
    QObject::connect(button, &QPushButton::clicked, action, &QAction::trigger);
    QObject::connect(action, &QAction::changed, button,
                     [button, action] { button->setEnabled(action->isEnabled()); });
    button->setEnabled(action->isEnabled());
}

} // namespace

MainWindow::MainWindow(HidPlatform& platform, const MainModel::Paths& paths,
                       const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), m_ui(this)
{
    initResources();
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Taviro"));
    setWindowIcon(QIcon(QStringLiteral(":/taviro.svg")));
    setProperty(HelpContext, 1000);

    m_editor = new CommandEditorView;
    m_editor->setObjectName(QStringLiteral("SendMemo"));
    m_editor->setProperty(HelpContext, 1201);
    m_status = new StatusWindowView;
    m_status->setObjectName(QStringLiteral("ReceiveMemo"));
    m_status->setProperty(HelpContext, 1202);
    m_model = std::make_unique<MainModel>(platform, m_ui, *m_editor, *m_status, paths);

    createActions();
    createMenus();
    createToolBar();
    createTabs();

    m_bottom = new BottomPanel;
    m_bottom->setObjectName(QStringLiteral("Panel1"));
    m_bottom->setProperty(HelpContext, 1103);
    m_bottom->powerGroup()->setProperty(HelpContext, 1106);
    for (QRadioButton* radio :
         {m_bottom->externalPower(), m_bottom->power5V(), m_bottom->power3V3()})
        radio->setProperty(HelpContext, 1106);
    m_bottom->bridgeList()->setProperty(HelpContext, 1203);

    auto* central = new QWidget;
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_tabs, 1);
    layout->addWidget(m_bottom);
    setCentralWidget(central);

    m_statusBar = new MainStatusBar;
    m_statusBar->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(m_statusBar);

    bindModel();
    bindBottomPanel();
    applyActions();
    updatePanels();
    updateBridgeList();
    updateControlDisplay();
    m_editor->showVerdict(m_model->verdict());

    m_model->FormCreate(arguments);
    m_dataSettingsModel = m_model->createDataSettingsModel();
    m_dataSettings = new TfmDataSettings(*m_dataSettingsModel, this);
    m_dataSettings->setObjectName(QStringLiteral("fmDataSettings"));
    m_upgradeForm = m_model->createUpgradeForm();
    m_upgradeDialog = new UpgradeDialog(*m_upgradeForm, this);

    setMinimumSize(MinimumSize);
    resize(InitialClientSize);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), InitialClientSize);
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

MainWindow::~MainWindow()
{
    // The model goes first: it still talks to the editor and the status window on its way
    // out. Nothing the widgets report while they are taken down reaches it after that.
    disconnect(qApp, nullptr, this, nullptr);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    disconnect(m_model.get(), nullptr, this, nullptr);
    disconnect(&m_model->control(), nullptr, this, nullptr);
    for (QWidget* child : findChildren<QWidget*>())
        child->blockSignals(true);
    delete m_dataSettings;
    m_dataSettingsModel.reset();
    delete m_upgradeDialog;
    m_upgradeForm.reset();
    m_model.reset();
}

QAction* MainWindow::newAction(const char* name, const QString& caption)
{
    auto* a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    QWidget::addAction(a);
    return a;
}

QAction* MainWindow::action(const QString& name) const
{
    return findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

void MainWindow::createActions()
{
    const auto icon = [](const char* name) {
        return QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name)));
    };
    const auto model = [this](void (MainModel::*handler)()) {
        return [this, handler] { runHandler([this, handler] { (m_model.get()->*handler)(); }); };
    };

    QAction* a = newAction("FileOpen2", QStringLiteral("&Open I2C BL file..."));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    setHint(a, QStringLiteral("Open|Load I2C BootLoader file"));
    connect(a, &QAction::triggered, this, model(&MainModel::FileOpen2));

    a = newAction("FileOpen1", QStringLiteral("&Open file..."));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    a->setIcon(icon("open"));
    setHint(a, QStringLiteral("Open commands file"));
    connect(a, &QAction::triggered, this, model(&MainModel::FileOpen1));

    a = newAction("FileSaveAs1", QStringLiteral("Save &Send data As..."));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    a->setIcon(icon("save-script"));
    connect(a, &QAction::triggered, this, model(&MainModel::FileSaveAs1));

    a = newAction("FileSaveAs2", QStringLiteral("Save &Reseive data As..."));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    a->setIcon(icon("save-status"));
    setHint(a, QStringLiteral("Save Status Window contents to file"));
    connect(a, &QAction::triggered, this, model(&MainModel::FileSaveAs2));

    a = newAction("FileExit1", QStringLiteral("&Exit"));
    // The menu shows Ctrl+Q; Ctrl+E works as well.
    a->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Q), QKeySequence(Qt::CTRL | Qt::Key_E)});
    connect(a, &QAction::triggered, this, &QWidget::close);

    a = newAction("EditSelectAll1", QStringLiteral("Select &All"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    a->setIcon(icon("select-all"));
    setHint(a, QStringLiteral("Select All|Selects the entire document"));
    connect(a, &QAction::triggered, this, [this] {
        QWidget* target = focusedTextControl();
        if (target == m_editor)
            m_model->selectAllEditor();
        else if (target == m_status)
            m_model->selectAllStatusWindow();
    });

    a = newAction("EditCut1", QStringLiteral("Cu&t"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(a, &QAction::triggered, this, [this] {
        if (focusedTextControl() == m_editor)
            m_editor->cut();
    });

    a = newAction("EditCopy1", QStringLiteral("&Copy"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    a->setIcon(icon("copy"));
    setHint(a, QStringLiteral("Copy|Copies the selection and puts it on the Clipboard"));
    connect(a, &QAction::triggered, this, [this] {
        QWidget* target = focusedTextControl();
        if (target == m_editor)
            m_editor->copy();
        else if (target == m_status)
            m_status->copy();
    });

    a = newAction("EditPaste1", QStringLiteral("&Paste"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    a->setIcon(icon("paste"));
    setHint(a, QStringLiteral("Paste|Inserts Clipboard contents"));
    connect(a, &QAction::triggered, this, [this] {
        if (focusedTextControl() == m_editor)
            m_editor->paste();
    });

    a = newAction("AcClearReceiveMemo", QStringLiteral("Clear memo"));
    a->setIcon(icon("clear-status"));
    setHint(a, QStringLiteral("Clear Status Window"));
    connect(a, &QAction::triggered, this, model(&MainModel::AcClearReceiveMemo));

    // Always enabled, also while a capture runs.
    a = newAction("AcDataSettings", QStringLiteral("Data settings"));
    a->setIcon(icon("data-settings"));
    setHint(a, QStringLiteral("Define variables "));
    connect(a, &QAction::triggered, this, &MainWindow::showDataSettings);

    // The chart's own commands; the window keeps them enabled as the model says.
    a = newAction("ChartActionSaveAll", QStringLiteral("&Save other"));
    a->setIcon(icon("export"));
    setHint(a, QStringLiteral("Export collected data"));
    connect(a, &QAction::triggered, this, &MainWindow::showChartExport);
    a = newAction("ChartActionSave", QStringLiteral("Save waveform"));
    setHint(a, QStringLiteral("Save Chart"));
    connect(a, &QAction::triggered, this, model(&MainModel::ChartActionSave));
    a = newAction("ChartActionCopy", QStringLiteral("&Copy waveform"));
    setHint(a, QStringLiteral("Copy to Clipboard"));
    connect(a, &QAction::triggered, this, [this] { m_chart->copyToClipboard(); });
    a = newAction("ChartActionSettings", QStringLiteral("&Chart settings..."));
    setHint(a, QStringLiteral("Edit Chart"));
    connect(a, &QAction::triggered, this, &MainWindow::showChartSettings);

    a = newAction("AcClearWF", QStringLiteral("Clear waveform"));
    a->setIcon(icon("clear-chart"));
    setHint(a, QStringLiteral("Clear collected data"));
    connect(a, &QAction::triggered, this, model(&MainModel::AcClearWF));

    a = newAction("AcSend", QStringLiteral("Send"));
    setHint(a, QStringLiteral("Send commands once"));
    connect(a, &QAction::triggered, this, model(&MainModel::AcSendExecute));
    a = newAction("AcSendRepeat", QStringLiteral("Send repeat"));
    setHint(a, QStringLiteral("Continuously perform commands. Use for data collecting"));
    connect(a, &QAction::triggered, this, model(&MainModel::AcSendRepeatExecute));
    a = newAction("AcList", QStringLiteral("List"));
    setHint(a, QStringLiteral("Find devices,which connected to current bridge "));
    connect(a, &QAction::triggered, this, model(&MainModel::AcListExecute));
    a = newAction("AcStop", QStringLiteral("Stop"));
    setHint(a, QStringLiteral("Stop \"Repeat\" or \"BURST\" mode.End of data collecting"));
    connect(a, &QAction::triggered, this, model(&MainModel::AcStopExecute));
    a = newAction("AcReset", QStringLiteral("Reset"));
    setHint(a, QStringLiteral("Break current operation. Initialize USB-I2C bridge"));
    connect(a, &QAction::triggered, this, model(&MainModel::AcResetExecute));
    a = newAction("AcSendSpeed", QStringLiteral("To file"));
    setHint(a, QStringLiteral(
                   "start to collect data in \"BURST\" mode and save this data to the file"));
    connect(a, &QAction::triggered, this, model(&MainModel::AcSendSpeedExecute));

    m_speeds = new QActionGroup(this);
    m_speeds->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    const std::pair<const char*, BridgeControl::SpeedItem> speeds[] = {
        {"IICSpeed400K1", BridgeControl::Speed400K},
        {"IICSpeed100K1", BridgeControl::Speed100K},
        {"IICSpeed50K1", BridgeControl::Speed50K},
    };
    const QString speedCaptions[] = {QStringLiteral("IIC Speed - 400K"),
                                     QStringLiteral("IIC Speed - 100K"),
                                     QStringLiteral("IIC Speed - 50K")};
    for (size_t i = 0; i < std::size(speeds); ++i) {
        a = newAction(speeds[i].first, speedCaptions[i]);
        a->setCheckable(true);
        m_speeds->addAction(a);
        const BridgeControl::SpeedItem item = speeds[i].second;
        connect(a, &QAction::triggered, this, [this, item] {
            if (!m_syncing)
                m_model->control().IICSpeed100K1Click(item);
        });
    }

    a = newAction("UpgradeFirmware1", QStringLiteral("Upgrade Bridge Firmware"));
    connect(a, &QAction::triggered, this, &MainWindow::showUpgrade);
    a = newAction("HelpContents1", QStringLiteral("Help Contents"));
    connect(a, &QAction::triggered, this, &MainWindow::showHelpContents);
    a = newAction("About1", QStringLiteral("About..."));
    connect(a, &QAction::triggered, this, &MainWindow::showAbout);
}

void MainWindow::createMenus()
{
    QMenuBar* bar = menuBar();
    bar->setProperty(HelpContext, 1101);
    const auto menu = [&](const char* name, const QString& title,
                          std::initializer_list<const char*> items) {
        QMenu* m = bar->addMenu(title);
        m->setObjectName(QLatin1String(name));
        m->setProperty(HelpContext, 1101);
        for (const char* item : items) {
            if (item)
                m->addAction(action(QLatin1String(item)));
            else
                m->addSeparator();
        }
        return m;
    };
    menu("File1", QStringLiteral("&File"),
         {"FileOpen2", "FileOpen1", "FileSaveAs1", "FileSaveAs2", nullptr, "FileExit1"});
    menu("Editor1", QStringLiteral("&Editor"),
         {"EditSelectAll1", nullptr, "EditCut1", "EditCopy1", "EditPaste1", nullptr,
          "AcClearReceiveMemo"});
    menu("Chart1", QStringLiteral("&Chart"),
         {"AcDataSettings", nullptr, "ChartActionSaveAll", nullptr, "ChartActionSave",
          "ChartActionCopy", nullptr, "AcClearWF"});
    menu("Execute1", QStringLiteral("E&xecute"),
         {"AcSend", "AcSendRepeat", nullptr, "AcList", nullptr, "AcStop", "AcReset"});
    menu("Tools1", QStringLiteral("&Tools"),
         {"IICSpeed400K1", "IICSpeed100K1", "IICSpeed50K1", nullptr, "UpgradeFirmware1"});
    menu("Help1", QStringLiteral("&Help"), {"HelpContents1", "About1", nullptr});
}

void MainWindow::createToolBar()
{
    m_toolBar = addToolBar(QStringLiteral("Toolbar"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
    m_toolBar->setProperty(HelpContext, 1102);
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(20, 20));
    for (const char* name :
         {"FileOpen1", "FileSaveAs1", "FileSaveAs2", static_cast<const char*>(nullptr),
          "EditSelectAll1", "EditCopy1", "EditPaste1", static_cast<const char*>(nullptr),
          "AcClearReceiveMemo", "AcClearWF", static_cast<const char*>(nullptr), "AcDataSettings",
          "ChartActionSaveAll"}) {
        if (name)
            m_toolBar->addAction(action(QLatin1String(name)));
        else
            m_toolBar->addSeparator();
    }
}

void MainWindow::createTabs()
{
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("PageControl1"));
    m_tabs->setProperty(HelpContext, 1104);
    m_tabs->addTab(createEditorTab(), QStringLiteral("Editor"));
    m_tabs->addTab(createChartTab(), QStringLiteral("Chart"));
    m_tabs->addTab(createTableTab(), QStringLiteral("Table"));
    m_tabs->addTab(createFileTab(), QStringLiteral("File"));
}

QWidget* MainWindow::createEditorTab()
{
    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->setHandleWidth(5);
    splitter->setChildrenCollapsible(false);
    m_editor->setMinimumHeight(40);
    m_status->setMinimumHeight(40);
    splitter->addWidget(m_editor);
    splitter->addWidget(m_status);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);
    return splitter;
}

QWidget* MainWindow::createChartTab()
{
    m_chart = new ChartView(m_model->chart());
    m_chart->setObjectName(QStringLiteral("TabChart"));
    // The chart's commands on a right click, "&Chart settings..." among them (no other menu
    // offers it).
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("ChartMenu"));
    for (const char* name : {"ChartActionSettings", "ChartActionSaveAll", "ChartActionSave",
                             "ChartActionCopy", static_cast<const char*>(nullptr), "AcClearWF"}) {
        if (name)
            menu->addAction(action(QLatin1String(name)));
        else
            menu->addSeparator();
    }
    connect(m_chart, &ChartView::menuRequested, menu,
            [menu](const QPoint& at) { menu->popup(at); });
    return m_chart;
}

QWidget* MainWindow::createTableTab()
{
    m_table = new SeriesTableView(m_model->chart());
    m_table->setObjectName(QStringLiteral("TabTable"));
    return m_table;
}

QWidget* MainWindow::createFileTab()
{
    m_fileTab = new FileTabView(m_model->burst());
    m_fileTab->setObjectName(QStringLiteral("TabFile"));
    return m_fileTab;
}

void MainWindow::bindModel()
{
    MainModel& model = *m_model;
    connect(&model, &MainModel::actionsChanged, this, &MainWindow::applyActions);
    connect(&model, &MainModel::panelsChanged, this, &MainWindow::updatePanels);
    connect(&model, &MainModel::bridgeListChanged, this, &MainWindow::updateBridgeList);
    connect(&model, &MainModel::captionChanged, this,
            [this] { setWindowTitle(m_model->caption()); });
    connect(&model, &MainModel::verdictChanged, this,
            [this] { m_editor->showVerdict(m_model->verdict()); });
    connect(&model, &MainModel::tabChanged, this, [this] {
        m_syncing = true;
        m_tabs->setCurrentIndex(int(m_model->activeTab()));
        m_syncing = false;
    });
    connect(&model.control(), &BridgeControl::displayChanged, this,
            &MainWindow::updateControlDisplay);
    connect(m_tabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (!m_syncing)
            runHandler([this, index] { m_model->PageControl1Change(MainModel::Tab(index)); });
    });
    connect(m_statusBar, &MainStatusBar::clicked, this,
            [this] { runHandler([this] { m_model->StatusBar1Click(); }); });

    m_editor->onEnter = [this] {
        // Enter presses the Send button, which does something only while it is enabled.
        if (QAction* send = action(QStringLiteral("AcSend")); send->isEnabled())
            send->trigger();
    };
    m_editor->onCaretReleased = [this] { m_model->editorCaretMoved(); };
    m_editor->onInsertCommandLine = [this] { m_model->insertCommandLine(); };
    m_editor->onClearWindow = [this] { m_model->clearEditor(); };
    m_status->onClearWindow = [this] { m_model->AcClearReceiveMemo(); };
    m_status->onSelectAll = [this] { m_model->selectAllStatusWindow(); };

    connect(qApp, &QApplication::focusChanged, this, &MainWindow::updateEditActions);
    connect(m_editor, &QPlainTextEdit::selectionChanged, this, &MainWindow::updateEditActions);
    connect(m_status, &LineView::copyAvailable, this, &MainWindow::updateEditActions);
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
            &MainWindow::updateEditActions);
}

void MainWindow::bindBottomPanel()
{
    BottomPanel& p = *m_bottom;
    bindButton(p.resetButton(), action(QStringLiteral("AcReset")));
    bindButton(p.listButton(), action(QStringLiteral("AcList")));
    bindButton(p.sendButton(), action(QStringLiteral("AcSend")));
    bindButton(p.stopButton(), action(QStringLiteral("AcStop")));
    bindButton(p.repeatButton(), action(QStringLiteral("AcSendRepeat")));
    bindButton(p.toFileButton(), action(QStringLiteral("AcSendSpeed")));

    p.sendAll()->setChecked(m_model->sendAllStrings());
    connect(p.sendAll(), &QCheckBox::toggled, this,
            [this](bool on) { m_model->setSendAllStrings(on); });
    p.repeatCount()->setValue(m_model->repeatCount());
    connect(p.repeatCount(), &QSpinBox::valueChanged, this,
            [this](int value) { m_model->setRepeatCount(value); });
    p.scanPeriod()->setValue(m_model->scanPeriodMs());
    connect(p.scanPeriod(), &QSpinBox::valueChanged, this,
            [this](int value) { m_model->setScanPeriodMs(value); });

    connect(p.bridgeList(), &QListWidget::currentRowChanged, this, [this](int row) {
        if (m_syncing || row < 0)
            return;
        runHandler([this, row] { m_model->ListBox1Click(row); });
        // A click dropped while a selection was in progress leaves the list as it was.
        updateBridgeList();
    });

    BridgeControl& control = m_model->control();
    connect(p.externalPower(), &QRadioButton::clicked, this, [this, &control] {
        if (!m_syncing)
            control.RBExtClick();
    });
    connect(p.power5V(), &QRadioButton::clicked, this, [this, &control] {
        if (!m_syncing)
            control.RB5VClick();
    });
    connect(p.power3V3(), &QRadioButton::clicked, this, [this, &control] {
        if (!m_syncing)
            control.RB3VClick();
    });
}

void MainWindow::applyActions()
{
    const ActionStates& a = m_model->actions();
    const std::pair<const char*, bool> states[] = {
        {"AcReset", a.Reset},
        {"AcList", a.List},
        {"AcSend", a.Send},
        {"AcSendRepeat", a.SendRepeat},
        {"AcSendSpeed", a.ToFile},
        {"AcStop", a.Stop},
        {"AcClearReceiveMemo", a.ClearMemo},
        {"ChartActionSave", a.SaveWaveform},
        {"ChartActionCopy", a.CopyWaveform},
        {"ChartActionSettings", a.ChartSettings},
    };
    for (const auto& [name, enabled] : states)
        action(QLatin1String(name))->setEnabled(enabled);
    updateEditActions();
}

QWidget* MainWindow::focusedTextControl() const
{
    for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget())
        if (w == m_editor || w == m_status)
            return w;
    return nullptr;
}

void MainWindow::updateEditActions()
{
    // On the Editor tab the clipboard commands work on the focused text pane, as its own
    // keys would.
    const ActionStates& a = m_model->actions();
    QWidget* target = focusedTextControl();
    const bool editable = target == m_editor && !m_editor->isReadOnly();
    const bool selection = target == m_editor   ? m_editor->textCursor().hasSelection()
                           : target == m_status ? m_status->hasSelection()
                                                : false;
    const QMimeData* clip = QGuiApplication::clipboard()->mimeData();
    const bool pasteable = clip && clip->hasText();
    action(QStringLiteral("EditCut1"))->setEnabled(a.Cut && editable && selection);
    action(QStringLiteral("EditCopy1"))->setEnabled(a.Copy && selection);
    action(QStringLiteral("EditPaste1"))->setEnabled(a.Paste && editable && pasteable);
    action(QStringLiteral("EditSelectAll1"))->setEnabled(a.SelectAll && target);
}

void MainWindow::updatePanels()
{
    for (int i = 0; i < MainStatusBar::PanelCount; ++i)
        m_statusBar->setPanelText(i, m_model->panel(i));
    m_statusBar->connectionPanel()->setLit(m_model->connectedCondition());
    m_statusBar->powerPanel()->setLit(m_model->targetPoweredCondition());
}

void MainWindow::updateBridgeList()
{
    QListWidget* list = m_bottom->bridgeList();
    const QStringList texts = m_model->bridges().texts();
    m_syncing = true;
    bool same = list->count() == texts.size();
    for (int i = 0; same && i < list->count(); ++i)
        same = list->item(i)->text() == texts[i];
    if (!same) {
        list->clear();
        list->addItems(texts);
    }
    const int selected = m_model->bridges().selectedIndex();
    if (list->currentRow() != selected) {
        list->setCurrentRow(selected);
        if (selected < 0)
            list->clearSelection();
    }
    m_syncing = false;
}

void MainWindow::updateControlDisplay()
{
    const BridgeControl& control = m_model->control();
    m_syncing = true;
    QRadioButton* radios[] = {m_bottom->externalPower(), m_bottom->power5V(), m_bottom->power3V3()};
    radios[control.powerChoice()]->setChecked(true);
    m_speeds->actions().at(control.checkedSpeed())->setChecked(true);
    m_syncing = false;
    updatePanels();
}

void MainWindow::showAbout()
{
    AboutDialog about(this);
    execDialog(about);
}

void MainWindow::showDataSettings()
{
    execDialog(*m_dataSettings);
}

void MainWindow::showChartExport()
{
    ChartExportDialog dialog(*m_chart, m_ui, this);
    dialog.exec();
}

void MainWindow::showChartSettings()
{
    ChartSettingsDialog dialog(m_model->chart(), m_ui, this);
    dialog.exec();
}

void MainWindow::showUpgrade()
{
    // "Program" waits in the event loop inside the dialog; a close comes after it.
    runHandler([this] { execDialog(*m_upgradeDialog); });
}

void MainWindow::setHelp(HelpSystem& help)
{
    m_help = &help;
    help.serveF1(this);
}

void MainWindow::showHelpContents()
{
    if (m_help)
        m_help->showContents();
}

void MainWindow::start()
{
    m_model->FormActivate();
    m_model->start();
}

int MainWindow::execDialog(QDialog& dialog)
{
    const int result = dialog.exec();
    m_model->FormActivate();
    return result;
}

void MainWindow::runHandler(const std::function<void()>& handler)
{
    ++m_handlerDepth;
    handler();
    if (--m_handlerDepth == 0 && m_closePending) {
        m_closePending = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (m_closeQueried) {
        event->accept();
        return;
    }
    const bool nested = m_handlerDepth > 0;
    runHandler([this] { m_model->endRunsForClose(); });
    if (nested) {
        // A handler below waits in the event loop for the run that just ended; the window
        // closes once it has returned, so nothing it uses is destroyed under it.
        m_closePending = true;
        event->ignore();
        return;
    }
    m_closeQueried = true;
    m_model->FormCloseQuery();
    event->accept();
}
