#include "gui/HelpSystem.h"

#include "gui/HelpBrowser.h"
#include "gui/HelpWindow.h"
#include "help/HelpFiles.h"
#include "help/HelpRequest.h"
#include "support/RecordingUiPort.h"
#include "support/WaitFor.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexModel>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResult>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QString Warning =
    QStringLiteral("Unable to view HTML help (*.qch). Reinstall Taviro's help file bridge.qch.");

// The help built by this build tree, copied into a folder of the test's own (the help engine
// writes its search index beside the collection).
class HelpSystemTest : public ::testing::Test
{
protected:
    // Copies the collection and the compressed help into folder; returns the collection.
    QString copyHelpTo(const QString& folder, bool withDocumentation = true)
    {
        QDir().mkpath(folder);
        const QDir build(QStringLiteral(TAVIRO_BUILD_DIR));
        QStringList names{HelpFiles::collectionFileName()};
        if (withDocumentation)
            names << HelpFiles::documentationFileName();
        for (const QString& name : names)
            EXPECT_TRUE(QFile::copy(build.filePath(name), QDir(folder).filePath(name)))
                << name.toStdString();
        return QDir(folder).filePath(HelpFiles::collectionFileName());
    }

    bool loadBuilt()
    {
        const QString collection = copyHelpTo(dir.path());
        return help.loadCollection(collection, false, dir.filePath(QStringLiteral("user")));
    }

    QString shownPage() const
    {
        HelpWindow* w = help.window();
        return w && w->isVisible() ? w->currentPage().fileName() : QString();
    }

    QTemporaryDir dir;
    RecordingUiPort ui;
    HelpSystem help{ui};
};

TEST_F(HelpSystemTest, EveryContextNumberOpensATopicOfItsOwn)
{
    ASSERT_TRUE(loadBuilt());
    EXPECT_TRUE(ui.boxes.isEmpty());
    QStringList pages;
    for (int context : HelpRequest::Contexts) {
        SCOPED_TRACE(context);
        ASSERT_TRUE(help.showContext(context));
        HelpWindow* w = help.window();
        ASSERT_NE(w, nullptr);
        EXPECT_TRUE(w->isVisible());
        EXPECT_FALSE(w->browser()->documentTitle().isEmpty());
        EXPECT_GT(w->browser()->toPlainText().size(), 300);
        pages << w->currentPage().fileName();
    }
    pages.removeDuplicates();
    EXPECT_EQ(pages.size(), std::size(HelpRequest::Contexts));
    EXPECT_FALSE(help.showContext(4242));
}

TEST_F(HelpSystemTest, ContentsIndexAndSearchLeadToPages)
{
    ASSERT_TRUE(loadBuilt());
    QHelpSearchEngine* search = help.engine()->searchEngine();
    bool indexed = false;
    QObject::connect(search, &QHelpSearchEngine::indexingFinished, [&] { indexed = true; });
    help.showContents();
    HelpWindow* w = help.window();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->currentPage(), HelpFiles::contentsPage());
    EXPECT_EQ(w->navigation()->currentIndex(), 0);
    EXPECT_EQ(w->browser()->documentTitle(), QStringLiteral("Taviro Help"));

    // Contents: a click on a topic of the tree opens its page.
    auto* contents = qobject_cast<QHelpContentWidget*>(w->navigation()->widget(0));
    ASSERT_NE(contents, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    ASSERT_TRUE(waitFor([&] { return contents->model()->rowCount() == 1; }));
    contents->expandAll();
    const QModelIndexList found = contents->model()->match(
        contents->model()->index(0, 0), Qt::DisplayRole, QStringLiteral("Firmware upgrade"), 1,
        Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1);
    contents->scrollTo(found.first());
    QTest::mouseClick(contents->viewport(), Qt::LeftButton, {},
                      contents->visualRect(found.first()).center());
    EXPECT_EQ(shownPage(), QStringLiteral("firmware-upgrade.html"));

    // Index: a keyword typed and entered opens its page; the contents follow.
    w->navigation()->setCurrentIndex(1);
    auto* lookFor = w->navigation()->widget(1)->findChild<QLineEdit*>();
    ASSERT_NE(lookFor, nullptr);
    ASSERT_TRUE(waitFor([&] { return help.engine()->indexModel()->rowCount() > 20; }));
    QTest::keyClicks(lookFor, QStringLiteral("udev"));
    QTest::keyClick(lookFor, Qt::Key_Return);
    EXPECT_EQ(shownPage(), QStringLiteral("udev.html"));
    EXPECT_EQ(contents->currentIndex().data().toString(),
              QStringLiteral("Bridge access: the udev rule"));

    // Search: a word of one page only finds that page.
    ASSERT_TRUE(waitFor([&] { return indexed; }, 30000));
    int hits = -1;
    QObject::connect(search, &QHelpSearchEngine::searchingFinished, [&](int n) { hits = n; });
    search->queryWidget()->setSearchInput(QStringLiteral("uaccess"));
    search->search(search->queryWidget()->searchInput());
    ASSERT_TRUE(waitFor([&] { return hits >= 0; }));
    const QList<QHelpSearchResult> results = search->searchResults(0, hits);
    QStringList pages;
    for (const QHelpSearchResult& r : results)
        pages << r.url().fileName();
    EXPECT_TRUE(pages.contains(QStringLiteral("udev.html"))) << pages.join(u' ').toStdString();
    EXPECT_FALSE(pages.contains(QStringLiteral("variables.html")));
}

TEST_F(HelpSystemTest, AnUnloadableCollectionWarnsOnceAndHelpDoesNothing)
{
    const struct
    {
        const char* name;
        std::function<QString()> collection;
    } cases[] = {
        {"no collection", [&] { return dir.filePath(QStringLiteral("none/bridge.qhc")); }},
        {"collection without its help file",
         [&] { return copyHelpTo(dir.filePath(QStringLiteral("noqch")), false); }},
        {"not a collection",
         [&] {
             const QString path = dir.filePath(QStringLiteral("bridge.qhc"));
             QFile f(path);
             EXPECT_TRUE(f.open(QIODevice::WriteOnly));
             f.write("not a database");
             return path;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui.boxes.clear();
        EXPECT_FALSE(help.loadCollection(c.collection(), false, dir.filePath(QStringLiteral("u"))));
        ASSERT_EQ(ui.boxes.size(), 1);
        EXPECT_EQ(ui.boxes[0].text, Warning);
        EXPECT_EQ(ui.boxes[0].caption, QStringLiteral("Warning!"));
        EXPECT_EQ(ui.boxes[0].icon, UiPort::Icon::Warning);
        EXPECT_EQ(ui.boxes[0].buttons, int(UiPort::Button::Ok));
        EXPECT_FALSE(help.isLoaded());

        help.showContents();
        EXPECT_FALSE(help.showContext(HelpRequest::CommandWindow));
        QWidget main;
        main.setProperty("helpContext", HelpRequest::MainWindow);
        help.serveF1(&main);
        QTest::keyClick(&main, Qt::Key_F1);
        EXPECT_EQ(help.window(), nullptr);
        EXPECT_EQ(ui.boxes.size(), 1);
    }
}

// An installed collection is opened through a copy of the user's, so that nothing is written
// beside the installed files; the program finds it from its bin folder.
TEST_F(HelpSystemTest, InstalledCollectionIsFoundFromTheBinFolderAndUsedThroughAUserCopy)
{
    const QString prefix = dir.filePath(QStringLiteral("usr"));
    QDir().mkpath(prefix + QStringLiteral("/bin"));
    const QString helpFolder = QDir::cleanPath(prefix + QStringLiteral("/bin/") +
                                               HelpFiles::installedFolderFromExecutable());
    EXPECT_EQ(helpFolder, prefix + QStringLiteral("/share/taviro/help"));
    copyHelpTo(helpFolder);
    const QStringList installedFiles = QDir(helpFolder).entryList(QDir::AllEntries | QDir::Hidden);

    const HelpFiles::Location location = HelpFiles::locate(prefix + QStringLiteral("/bin"));
    EXPECT_TRUE(location.installed);
    EXPECT_EQ(location.collection, helpFolder + QStringLiteral("/bridge.qhc"));

    const QString user = dir.filePath(QStringLiteral("home/.cache/taviro/help"));
    ASSERT_TRUE(help.loadCollection(location.collection, location.installed, user));
    EXPECT_TRUE(QFileInfo::exists(user + QStringLiteral("/bridge.qhc")));
    EXPECT_EQ(QFileInfo(help.engine()->collectionFile()).absolutePath(), QDir(user).absolutePath());
    EXPECT_EQ(QFileInfo(help.engine()->documentationFileName(HelpFiles::helpNamespace()))
                  .absoluteFilePath(),
              helpFolder + QStringLiteral("/bridge.qch"));
    bool indexed = false;
    QObject::connect(help.engine()->searchEngine(), &QHelpSearchEngine::indexingFinished,
                     [&] { indexed = true; });
    ASSERT_TRUE(help.showContext(HelpRequest::BridgeList));
    EXPECT_EQ(shownPage(), QStringLiteral("bridges.html"));
    ASSERT_TRUE(waitFor([&] { return indexed; }, 30000));
    EXPECT_EQ(QDir(helpFolder).entryList(QDir::AllEntries | QDir::Hidden), installedFiles);

    // The next start makes the copy afresh.
    ASSERT_TRUE(help.loadCollection(location.collection, location.installed, user));
    EXPECT_TRUE(help.showContext(HelpRequest::Power));

    // In the build tree the collection beside the executable comes first.
    copyHelpTo(prefix + QStringLiteral("/bin"));
    EXPECT_FALSE(HelpFiles::locate(prefix + QStringLiteral("/bin")).installed);
}

// F1 in a window built like the main window: the focused control's number, else the nearest
// enclosing one's; a keyword, another window or a dialog open nothing.
TEST_F(HelpSystemTest, F1OpensTheTopicOfTheNearestControlWithANumber)
{
    ASSERT_TRUE(loadBuilt());
    QWidget main;
    main.setProperty("helpContext", HelpRequest::MainWindow);
    auto* layout = new QVBoxLayout(&main);
    auto* menuBar = new QMenuBar;
    menuBar->setProperty("helpContext", HelpRequest::Menus);
    QMenu* chartMenu = menuBar->addMenu(QStringLiteral("Chart"));
    chartMenu->addAction(QStringLiteral("Data settings"));
    layout->setMenuBar(menuBar);
    auto* editor = new QPlainTextEdit;
    editor->setProperty("helpContext", HelpRequest::CommandWindow);
    auto* editorMenu = new QMenu(editor);
    editorMenu->addAction(QStringLiteral("Insert Command Line"));
    auto* power = new QGroupBox(QStringLiteral("Power"));
    power->setProperty("helpContext", HelpRequest::Power);
    auto* external = new QRadioButton(QStringLiteral("External"), power);
    auto* fileView = new QPlainTextEdit;
    fileView->setProperty("helpKeyword", QStringLiteral("1104"));
    auto* bare = new QPushButton(QStringLiteral("no number"));
    for (QWidget* w : std::initializer_list<QWidget*>{editor, power, fileView, bare})
        layout->addWidget(w);
    QDialog dialog(&main);
    auto* dialogField = new QLineEdit(&dialog);
    QWidget other;
    other.setProperty("helpContext", HelpRequest::MainWindow);
    main.show();
    help.serveF1(&main);

    const struct
    {
        const char* name;
        QWidget* target;
        std::function<void()> prepare;
        const char* page; // empty: nothing opens
    } cases[] = {
        {"command window", editor, {}, "command-window.html"},
        {"radio button in the Power group", external, {}, "power.html"},
        {"control without a number", bare, {}, "main-window.html"},
        {"main window itself", &main, {}, "main-window.html"},
        {"highlighted menu entry", chartMenu,
         [&] {
             chartMenu->popup(main.mapToGlobal(QPoint(0, 0)));
             chartMenu->setActiveAction(chartMenu->actions().first());
         },
         "menus.html"},
        {"context menu of the command window", editorMenu,
         [&] { editorMenu->popup(editor->mapToGlobal(QPoint(0, 0))); }, "command-window.html"},
        {"view marked with a keyword", fileView, {}, ""},
        {"dialog of the main window", dialogField, [&] { dialog.show(); }, ""},
        {"another window", &other, [&] { other.show(); }, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (help.window())
            help.window()->hide();
        if (c.prepare)
            c.prepare();
        QTest::keyClick(c.target, Qt::Key_F1);
        EXPECT_EQ(shownPage(), QLatin1String(c.page));
        chartMenu->hide();
        editorMenu->hide();
        dialog.hide();
        other.hide();
    }
}

} // namespace
