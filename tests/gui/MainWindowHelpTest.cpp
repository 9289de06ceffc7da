#include "MainWindowFixture.h"

#include "gui/FileTabView.h"
#include "gui/HelpSystem.h"
#include "gui/HelpWindow.h"
#include "gui/LineView.h"
#include "gui/TfmDataSettings.h"
#include "gui/UpgradeDialog.h"
#include "help/HelpFiles.h"
#include "support/RecordingUiPort.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <functional>

namespace {

// The real window with the help this build made, loaded as the program loads it.
class MainWindowHelpTest : public MainWindowFixture
{
protected:
    // Copies the build's help into its own folder (the engine writes its search index beside
    // the collection) and loads it from there, as from the program's folder.
    bool loadHelp()
    {
        const QString folder = dir.filePath(QStringLiteral("program"));
        QDir().mkpath(folder);
        for (const QString& name :
             {HelpFiles::collectionFileName(), HelpFiles::documentationFileName()})
            QFile::copy(QDir(QStringLiteral(TAVIRO_BUILD_DIR)).filePath(name),
                        QDir(folder).filePath(name));
        return help.load(folder);
    }

    QString shownPage() const
    {
        HelpWindow* w = help.window();
        return w && w->isVisible() ? w->currentPage().fileName() : QString();
    }

    void hideHelp()
    {
        if (help.window())
            help.window()->hide();
    }

    // Runs inside(dialog) while the dialog the action opens is shown, then closes it with
    // Escape.
    void insideDialog(const char* actionName, const std::function<void(QWidget&)>& inside)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            inside(*dialog);
            ran = true;
            QTest::keyClick(dialog, Qt::Key_Escape);
        });
        action(actionName)->trigger();
        EXPECT_TRUE(ran);
    }

    RecordingUiPort startUpUi;
    HelpSystem help{startUpUi};
};

TEST_F(MainWindowHelpTest, F1OpensTheTopicOfTheFocusedControl)
{
    ASSERT_TRUE(loadHelp());
    createWindow();
    window->setHelp(help);
    QMenu* chartMenu = window->findChild<QMenu*>(QStringLiteral("Chart1"));
    ASSERT_NE(chartMenu, nullptr);
    QWidget* fileTab = window->tabs().widget(3);
    QToolButton* openButton =
        qobject_cast<QToolButton*>(window->toolBar().widgetForAction(action("FileOpen1")));
    ASSERT_NE(openButton, nullptr);

    const struct
    {
        const char* name;
        std::function<QWidget*()> target;
        const char* page;
    } cases[] = {
        {"command window", [&] { return &editor(); }, "command-window.html"},
        {"status window", [&] { return &status(); }, "status-window.html"},
        {"\"External\"", [&] { return bottom().externalPower(); }, "power.html"},
        {"\"Send\" button", [&] { return bottom().sendButton(); }, "button-panel.html"},
        {"bridge list", [&] { return bottom().bridgeList(); }, "bridges.html"},
        {"toolbar button", [&] { return openButton; }, "toolbar.html"},
        {"File tab",
         [&] {
             window->tabs().setCurrentIndex(3);
             return fileTab;
         },
         "tabs.html"},
        {"\"File name :\" button",
         [&] {
             window->tabs().setCurrentIndex(3);
             return window->fileTabView().fileNameButton();
         },
         "tabs.html"},
        // The File tab's data view has a keyword but no topic: F1 there shows nothing.
        {"File tab's data view",
         [&] {
             window->tabs().setCurrentIndex(3);
             return window->fileTabView().view();
         },
         ""},
        {"highlighted entry of the Chart menu",
         [&] {
             chartMenu->popup(window->mapToGlobal(QPoint(20, 20)));
             chartMenu->setActiveAction(chartMenu->actions().first());
             return chartMenu;
         },
         "menus.html"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hideHelp();
        QWidget* target = c.target();
        QTest::keyClick(target, Qt::Key_F1);
        EXPECT_EQ(shownPage(), QLatin1String(c.page));
        chartMenu->hide();
    }

    // "Help Contents" opens the contents.
    hideHelp();
    action("HelpContents1")->trigger();
    EXPECT_EQ(shownPage(), HelpFiles::contentsPage().fileName());
    EXPECT_EQ(help.window()->navigation()->currentIndex(), 0);
    EXPECT_TRUE(startUpUi.boxes.isEmpty());
}

// The program's dialogs carry no help: F1 in them opens nothing.
TEST_F(MainWindowHelpTest, F1InTheDialogsOpensNothing)
{
    ASSERT_TRUE(loadHelp());
    createWindow();
    window->setHelp(help);
    insideDialog("AcDataSettings", [&](QWidget& dialog) {
        EXPECT_EQ(&dialog, static_cast<QWidget*>(&window->dataSettings()));
        QWidget* grid = dialog.findChild<QWidget*>(QStringLiteral("grid"));
        ASSERT_NE(grid, nullptr);
        QTest::keyClick(grid, Qt::Key_F1);
        QTest::keyClick(&dialog, Qt::Key_F1);
    });
    EXPECT_EQ(shownPage(), QString());
    insideDialog("UpgradeFirmware1", [&](QWidget& dialog) {
        QTest::keyClick(dialog.findChild<QLineEdit*>(QStringLiteral("Edit1")), Qt::Key_F1);
    });
    EXPECT_EQ(shownPage(), QString());
}

// Without its collection the program warned once at start-up; "Help Contents" and F1 then do
// nothing, and the program runs on.
TEST_F(MainWindowHelpTest, WithoutItsCollectionHelpDoesNothingAfterOneWarning)
{
    EXPECT_FALSE(help.load(dir.filePath(QStringLiteral("empty"))));
    ASSERT_EQ(startUpUi.boxes.size(), 1);
    EXPECT_EQ(startUpUi.boxes[0].caption, QStringLiteral("Warning!"));
    createWindow();
    window->setHelp(help);
    action("HelpContents1")->trigger();
    QTest::keyClick(&editor(), Qt::Key_F1);
    EXPECT_EQ(help.window(), nullptr);
    EXPECT_EQ(startUpUi.boxes.size(), 1);
    editor().setLines({QStringLiteral("S A0 00")});
    EXPECT_EQ(editor().lines(), QStringList{QStringLiteral("S A0 00")});
}

// "Upgrade Bridge Firmware" is always there and opens the one dialog modally; its closing runs
// the window's activation.
TEST_F(MainWindowHelpTest, UpgradeBridgeFirmwareOpensTheDialogAndItsClosingActivatesTheWindow)
{
    sim.addBridges(1);
    createWindow();
    ASSERT_TRUE(waitForBridges());
    ASSERT_TRUE(waitForIdleLink());
    editor().setLines({QStringLiteral("R 49 X X")});
    action("AcSendRepeat")->trigger();
    ASSERT_TRUE(waitFor([&] { return status().lineCount() > 5; }));
    window->tabs().setCurrentIndex(1);
    EXPECT_TRUE(action("UpgradeFirmware1")->isEnabled());

    const QString chosen = dir.filePath(QStringLiteral("fw.hex"));
    insideDialog("UpgradeFirmware1", [&](QWidget& dialog) {
        EXPECT_EQ(&dialog, static_cast<QWidget*>(&window->upgradeDialog()));
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Upgrade Firmware"));
        EXPECT_TRUE(dialog.isModal());
        // Typed, not chosen: the dialog keeps it, the procedure does not use it.
        QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("Edit1")), chosen);
    });
    EXPECT_FALSE(window->upgradeDialog().isVisible());
    EXPECT_EQ(window->tabs().currentIndex(), 0);
    EXPECT_FALSE(model().execution().RepeatRunning);
    EXPECT_TRUE(action("AcSend")->isEnabled());

    // The same dialog next time, with what it showed.
    insideDialog("UpgradeFirmware1", [&](QWidget& dialog) {
        EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), chosen);
    });
}

} // namespace
