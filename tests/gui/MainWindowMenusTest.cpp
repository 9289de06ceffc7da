#include "MainWindowFixture.h"

#include "gui/AboutDialog.h"
#include "gui/TfmDataSettings.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

namespace {

class MainWindowMenusTest : public MainWindowFixture
{
protected:
    // A menu's items as their texts, "-" for a separator.
    static QStringList items(const QList<QAction*>& actions)
    {
        QStringList result;
        for (const QAction* a : actions)
            result.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        return result;
    }

    // Opens a context menu on widget, answers it with pick (the menu's items as texts) and
    // returns what it offered.
    QStringList contextMenu(QWidget* widget, const QString& pick)
    {
        QStringList offered;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_TRUE(menu);
            offered = items(menu->actions());
            for (QAction* a : menu->actions())
                if (a->text() == pick)
                    a->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                widget->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(widget, &event);
        return offered;
    }
};

TEST_F(MainWindowMenusTest, MenusHoldTheirItemsInOrderWithShortcuts)
{
    createWindow();
    QStringList titles;
    for (QAction* a : window->menuBar()->actions())
        titles.append(a->text());
    EXPECT_EQ(titles, (QStringList{"&File", "&Editor", "&Chart", "E&xecute", "&Tools", "&Help"}));

    const auto menu = [&](const char* name) {
        return items(window->findChild<QMenu*>(QLatin1String(name))->actions());
    };
    EXPECT_EQ(menu("File1"),
              (QStringList{"&Open I2C BL file...", "&Open file...", "Save &Send data As...",
                           "Save &Reseive data As...", "-", "&Exit"}));
    EXPECT_EQ(menu("Editor1"),
              (QStringList{"Select &All", "-", "Cu&t", "&Copy", "&Paste", "-", "Clear memo"}));
    EXPECT_EQ(menu("Chart1"),
              (QStringList{"Data settings", "-", "&Save other", "-", "Save waveform",
                           "&Copy waveform", "-", "Clear waveform"}));
    EXPECT_EQ(menu("Execute1"),
              (QStringList{"Send", "Send repeat", "-", "List", "-", "Stop", "Reset"}));
    EXPECT_EQ(menu("Tools1"), (QStringList{"IIC Speed - 400K", "IIC Speed - 100K",
                                           "IIC Speed - 50K", "-", "Upgrade Bridge Firmware"}));
    EXPECT_EQ(menu("Help1"), (QStringList{"Help Contents", "About...", "-"}));

    const std::pair<const char*, QKeySequence> shortcuts[] = {
        {"FileOpen1", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"FileSaveAs1", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"FileSaveAs2", QKeySequence(Qt::CTRL | Qt::Key_R)},
        {"FileOpen2", QKeySequence(Qt::CTRL | Qt::Key_B)},
        {"FileExit1", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"EditCut1", QKeySequence(Qt::CTRL | Qt::Key_X)},
        {"EditCopy1", QKeySequence(Qt::CTRL | Qt::Key_C)},
        {"EditPaste1", QKeySequence(Qt::CTRL | Qt::Key_V)},
        {"EditSelectAll1", QKeySequence(Qt::CTRL | Qt::Key_A)},
    };
    for (const auto& [name, keys] : shortcuts)
        EXPECT_EQ(action(name)->shortcut(), keys) << name;
    EXPECT_TRUE(action("FileExit1")->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::Key_E)));

    for (const char* name : {"FileOpen1", "FileOpen2", "FileSaveAs1", "FileSaveAs2", "AcClearWF",
                             "AcDataSettings", "UpgradeFirmware1", "HelpContents1", "About1"})
        EXPECT_TRUE(action(name)->isEnabled()) << name;
    EXPECT_TRUE(action("IICSpeed100K1")->isChecked());
}

TEST_F(MainWindowMenusTest, ToolbarHintsAreTooltipsWithStatusTips)
{
    createWindow();
    EXPECT_EQ(items(window->toolBar().actions()),
              (QStringList{"&Open file...", "Save &Send data As...", "Save &Reseive data As...",
                           "-", "Select &All", "&Copy", "&Paste", "-", "Clear memo",
                           "Clear waveform", "-", "Data settings", "&Save other"}));
    struct Case
    {
        const char* action;
        QString tip, status;
    };
    const Case cases[] = {
        {"FileOpen1", "Open commands file", ""},
        {"FileSaveAs2", "Save Status Window contents to file", ""},
        {"EditSelectAll1", "Select All", "Selects the entire document"},
        {"EditCopy1", "Copy", "Copies the selection and puts it on the Clipboard"},
        {"EditPaste1", "Paste", "Inserts Clipboard contents"},
        {"AcClearReceiveMemo", "Clear Status Window", ""},
        {"AcClearWF", "Clear collected data", ""},
        {"AcDataSettings", "Define variables ", ""},
        {"ChartActionSaveAll", "Export collected data", ""},
        {"FileOpen2", "Open", "Load I2C BootLoader file"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(action(c.action)->toolTip(), c.tip) << c.action;
        EXPECT_EQ(action(c.action)->statusTip(), c.status) << c.action;
    }
    // Every tool button shows an icon.
    for (QAction* a : window->toolBar().actions()) {
        if (!a->isSeparator()) {
            EXPECT_FALSE(a->icon().isNull()) << a->text().toStdString();
        }
    }
}

TEST_F(MainWindowMenusTest, TheWindowHasItsCaptionTabsSizesAndHelpContexts)
{
    createWindow();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Taviro"));
    EXPECT_FALSE(window->windowIcon().isNull());
    EXPECT_EQ(window->size(), MainWindow::InitialClientSize);
    EXPECT_EQ(window->minimumSize(), MainWindow::MinimumSize);
    QTabWidget& tabs = window->tabs();
    ASSERT_EQ(tabs.count(), 4);
    EXPECT_EQ((QStringList{tabs.tabText(0), tabs.tabText(1), tabs.tabText(2), tabs.tabText(3)}),
              (QStringList{"Editor", "Chart", "Table", "File"}));
    EXPECT_EQ(tabs.currentIndex(), 0);
    EXPECT_EQ(tabs.widget(1)->toolTip(),
              QStringLiteral(
                  "Chart Window - to see the charts user must define variables and collect data"));
    EXPECT_EQ(tabs.widget(2)->toolTip(),
              QStringLiteral(
                  "Table Window - to see the data user must define variables and collect data"));
    EXPECT_EQ(bottom().height(), BottomPanel::Height);

    auto* splitter = window->findChild<QSplitter*>(QStringLiteral("Splitter1"));
    ASSERT_TRUE(splitter);
    EXPECT_EQ(splitter->orientation(), Qt::Vertical);
    EXPECT_EQ(splitter->handleWidth(), 5);
    EXPECT_EQ(editor().minimumHeight(), 40);
    EXPECT_EQ(status().minimumHeight(), 40);
    EXPECT_TRUE(editor().font().bold());
    EXPECT_TRUE(status().font().bold());
    EXPECT_TRUE(QFontInfo(editor().font()).fixedPitch());
    EXPECT_EQ(editor().lineWrapMode(), QPlainTextEdit::NoWrap);

    const std::pair<const QObject*, int> contexts[] = {
        {window.get(), 1000},
        {&window->toolBar(), 1102},
        {&bottom(), 1103},
        {&tabs, 1104},
        {bottom().powerGroup(), 1106},
        {bottom().power5V(), 1106},
        {&editor(), 1201},
        {&status(), 1202},
        {bottom().bridgeList(), 1203},
        {window->menuBar(), 1101},
        {window->findChild<QMenu*>(QStringLiteral("Tools1")), 1101},
    };
    for (const auto& [object, context] : contexts)
        EXPECT_EQ(object->property("helpContext").toInt(), context)
            << object->objectName().toStdString();

    const int widths[] = {60, 160, 160, 100, 100, 50};
    const QString texts[] = {"1 : 0", "  Syntax : OK", "", "disconnected", "No power", ""};
    for (int i = 0; i < MainStatusBar::PanelCount; ++i) {
        EXPECT_EQ(window->panels().panel(i)->width(), widths[i]) << i;
        EXPECT_EQ(window->panels().panel(i)->text(), texts[i]) << i;
    }
    // Every menu title has its own mnemonic, so each menu opens from the keyboard.
    QSet<QChar> mnemonics;
    for (QAction* a : window->menuBar()->actions()) {
        const qsizetype amp = a->text().indexOf(QLatin1Char('&'));
        ASSERT_GE(amp, 0) << a->text().toStdString();
        mnemonics.insert(a->text().at(amp + 1).toLower());
    }
    EXPECT_EQ(mnemonics.size(), window->menuBar()->actions().size());
}

TEST_F(MainWindowMenusTest, TabsEnableTheEditAndChartCommands)
{
    createWindow();
    editor().setLines({QStringLiteral("S A0 00")});
    editor().setFocus();
    editor().selectAll();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == &editor(); }));
    struct Case
    {
        int tab;
        bool edit, chart;
    };
    for (const Case& c : {Case{1, false, true}, Case{2, false, false}, Case{3, false, false},
                          Case{0, true, false}}) {
        window->tabs().setCurrentIndex(c.tab);
        if (c.tab == 0)
            editor().setFocus();
        for (const char* name : {"AcClearReceiveMemo", "EditCopy1", "EditCut1", "EditSelectAll1"})
            EXPECT_EQ(action(name)->isEnabled(), c.edit) << c.tab << " " << name;
        for (const char* name : {"ChartActionSave", "ChartActionCopy", "ChartActionSettings"})
            EXPECT_EQ(action(name)->isEnabled(), c.chart) << c.tab << " " << name;
        EXPECT_TRUE(action("AcClearWF")->isEnabled());
        EXPECT_TRUE(action("ChartActionSaveAll")->isEnabled());
    }

    // The clipboard commands act on the focused pane.
    status().addLine(QStringLiteral("s A0+ 00+ p "));
    status().setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == &status(); }));
    EXPECT_FALSE(action("EditCopy1")->isEnabled());
    EXPECT_FALSE(action("EditPaste1")->isEnabled());
    action("EditSelectAll1")->trigger();
    EXPECT_TRUE(status().hasSelection());
    ASSERT_TRUE(action("EditCopy1")->isEnabled());
    action("EditCopy1")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("s A0+ 00+ p "));
    editor().setFocus();
    ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() == &editor(); }));
    editor().moveCursor(QTextCursor::End);
    ASSERT_TRUE(action("EditPaste1")->isEnabled());
    action("EditPaste1")->trigger();
    EXPECT_EQ(editor().lines(), QStringList{QStringLiteral("S A0 00s A0+ 00+ p ")});
}

TEST_F(MainWindowMenusTest, TheOwnDialogsActivateTheWindowWhenTheyCloseOtherWindowsDoNot)
{
    sim.addBridges(1);
    createWindow();
    ASSERT_TRUE(waitForBridges());
    window->tabs().setCurrentIndex(2);
    model().execution().RepeatRunning = true;
    model().UpdateActions();

    // Coming back from another application is no activation.
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(window.get(), &activate);
    EXPECT_EQ(window->tabs().currentIndex(), 2);
    EXPECT_TRUE(model().execution().RepeatRunning);

    QStringList texts;
    QTimer::singleShot(0, [&] {
        auto* about = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(about);
        EXPECT_EQ(about->windowTitle(), QStringLiteral("About"));
        for (const QLabel* label : about->findChildren<QLabel*>())
            if (!label->text().isEmpty())
                texts.append(label->text());
            else
                EXPECT_FALSE(label->pixmap().isNull());
        about->accept();
    });
    action("About1")->trigger();
    EXPECT_EQ(texts, (QStringList{"Taviro", "Software", "Version 1.25"}));
    // The activation ran: the Editor tab, and the run flags cleared.
    EXPECT_EQ(window->tabs().currentIndex(), 0);
    EXPECT_FALSE(model().execution().RepeatRunning);
    EXPECT_TRUE(action("AcSend")->isEnabled());

    // "Data settings" opens the "Variables Settings" dialog, also while Repeat runs; closing
    // it ends the run and shows the Editor tab again.
    ASSERT_TRUE(waitFor([&] { return !model().flags().WriteOutstanding; }));
    editor().setLines({QStringLiteral("R 49 X X")});
    action("AcSendRepeat")->trigger();
    ASSERT_TRUE(waitFor([&] { return status().lineCount() > 5; }));
    window->tabs().setCurrentIndex(1);
    EXPECT_TRUE(action("AcDataSettings")->isEnabled());
    bool shown = false;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_EQ(dialog, static_cast<QWidget*>(&window->dataSettings()));
        shown = true;
        dialog->findChild<QPushButton*>(QStringLiteral("cancel"))->click();
    });
    action("AcDataSettings")->trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(window->tabs().currentIndex(), 0);
    EXPECT_FALSE(model().execution().RepeatRunning);
}

TEST_F(MainWindowMenusTest, TheContextMenusOfTheTwoPanes)
{
    createWindow();
    editor().setLines({QStringLiteral("S A0 00")});
    EXPECT_EQ(contextMenu(editor().viewport(), QStringLiteral("Insert Command Line")),
              (QStringList{"Insert Command Line", "Clear Window", "-", "Select All"}));
    EXPECT_EQ(editor().lines(), (QStringList{"S A0 00", "r 00"}));
    contextMenu(editor().viewport(), QStringLiteral("Select All"));
    EXPECT_EQ(editor().textCursor().selectedText(), QStringLiteral("S A0 00\u2029r 00"));
    contextMenu(editor().viewport(), QStringLiteral("Clear Window"));
    EXPECT_EQ(editor().lineCount(), 0);
    EXPECT_EQ(editor().document()->availableUndoSteps() > 0, true);

    status().addLine(QStringLiteral("Timeout"));
    EXPECT_EQ(contextMenu(status().viewport(), QStringLiteral("Select All")),
              (QStringList{"Clear Window", "-", "Select All"}));
    EXPECT_EQ(status().selectedText(), QStringLiteral("Timeout"));
    contextMenu(status().viewport(), QStringLiteral("Clear Window"));
    EXPECT_EQ(status().lineCount(), 0);
}

// Both exit keys close the window from the command editor, where the user types.
TEST_F(MainWindowMenusTest, CtrlQAndCtrlECloseTheWindowFromTheEditor)
{
    for (const Qt::Key key : {Qt::Key_Q, Qt::Key_E}) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        createWindow();
        editor().setFocus();
        QTest::keyClick(&editor(), key, Qt::ControlModifier);
        EXPECT_TRUE(waitFor([&] { return !window->isVisible(); }));
        EXPECT_TRUE(editor().toPlainText().isEmpty());
        window.reset();
    }
}

TEST_F(MainWindowMenusTest, CtrlTabSwitchesTheTabsFromTheEditor)
{
    createWindow();
    editor().setFocus();
    QTest::keyClick(&editor(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(window->tabs().currentIndex(), 1);
}

TEST_F(MainWindowMenusTest, EveryCommandIsReachableFromTheKeyboard)
{
    sim.addBridges(1);
    sim.devices().first()->setReplyLatencyMs(0);
    createWindow();
    ASSERT_TRUE(waitForBridges());
    editor().setLines({QStringLiteral("R 48 X")});
    editor().setFocus();

    // Alt+X opens Execute; Enter chooses its first item, Send.
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_TRUE(menu);
        EXPECT_EQ(menu->objectName(), QStringLiteral("Execute1"));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QTest::keyClick(window.get(), Qt::Key_X, Qt::AltModifier);
    ASSERT_TRUE(waitFor([&] { return status().lineCount() == 1; }));
    EXPECT_TRUE(status().lines().first().startsWith(QStringLiteral("s 91+ ")));

    // Tab walks from the editor through the panes and the bottom panel in reading order.
    ASSERT_TRUE(waitForIdleLink());
    window->activateWindow();
    ASSERT_TRUE(waitFor([&] { return window->isActiveWindow(); }));
    editor().setFocus();
    QStringList order;
    for (int i = 0; i < 14; ++i) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_TRUE(focused);
        order << focused->objectName();
        QTest::keyClick(focused, Qt::Key_Tab);
    }
    EXPECT_EQ(order,
              (QStringList{"SendMemo", "ReceiveMemo", "BtReset", "BtList", "BtSend", "BtRepeat",
                           "BtToFile", "CbSendAll", "SpinRepeatCount", "SpinScanPeriod", "ListBox1",
                           "RBExt", "qt_tabwidget_tabbar", "SendMemo"}));
}

} // namespace
