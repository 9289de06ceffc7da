// Screenshots of the window for docs/, taken offscreen from the real window on simulated
// bridges with QWidget::grab().
//
//   taviro-screenshots OUTDIR [NAME...]     every shot, or the ones named
//
// A shot prepares a window (ShotContext::window builds one on a fresh simulated bridge with
// its files in a temporary folder), drives it as a user would and returns the widget to
// grab. To add one, add an entry to shots() below.

#include "app/MainModel.h"
#include "base/CommandEditor.h"
#include "base/EventPump.h"
#include "firmware/FirmwareImageWriter.h"
#include "gui/BottomPanel.h"
#include "gui/CommandEditorView.h"
#include "gui/GuiUiPort.h"
#include "gui/HelpSystem.h"
#include "gui/HelpWindow.h"
#include "gui/MainWindow.h"
#include "gui/UpgradeDialog.h"
#include "sim/SimPlatform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

const QString SourceDir = QStringLiteral(TAVIRO_SOURCE_DIR);

class ShotContext
{
public:
    // The main window on that many simulated bridges, started as the program starts it, with
    // the settings file given (a path in the source tree, or none) and waiting until the
    // bridges are listed with their versions.
    MainWindow& window(int bridges = 1, const QString& settings = QString())
    {
        m_sim.addBridges(bridges);
        MainModel::Paths paths;
        paths.executableFolder = m_dir.path();
        paths.settings = {m_dir.filePath(QStringLiteral("taviro.INI")),
                          m_dir.filePath(QStringLiteral("taviro.INI"))};
        paths.autosave = {m_dir.filePath(QStringLiteral("taviro.cmd")),
                          m_dir.filePath(QStringLiteral("taviro.cmd"))};
        if (!settings.isEmpty())
            QFile::copy(SourceDir + QLatin1Char('/') + settings, paths.settings.writePath);
        m_window = std::make_unique<MainWindow>(m_sim, paths, QStringList());
        m_window->show();
        m_window->start();
        pumpUntil(
            [&] {
                const BridgeList& b = m_window->model().bridges();
                if (b.count() != bridges || !b.SelectedBridge())
                    return false;
                for (int i = 0; i < bridges; ++i)
                    if (b.entry(i)->VersionQueryPending)
                        return false;
                return b.SelectedBridge() == b.ChosenBridge() &&
                       m_window->model().control().TargetPowered();
            },
            5000);
        return *m_window;
    }

    // The simulated bridges, for shots that plug, unplug or change them.
    SimPlatform& sim() { return m_sim; }
    // The help this build made, loaded as the program loads it.
    HelpSystem& help()
    {
        m_help.load(QStringLiteral(TAVIRO_BUILD_DIR));
        return m_help;
    }
    QString sourceFile(const QString& name) const { return SourceDir + QLatin1Char('/') + name; }

private:
    QTemporaryDir m_dir;
    GuiUiPort m_helpUi;
    HelpSystem m_help{m_helpUi};
    SimPlatform m_sim;
    std::unique_ptr<MainWindow> m_window;
};

struct Shot
{
    const char* file; // written to OUTDIR
    const char* what;
    std::function<QWidget*(ShotContext&)> take;
};

std::vector<Shot> shots()
{
    return {
        {"main-window.png", "the window after a Send of the demo script",
         [](ShotContext& c) -> QWidget* {
             MainWindow& w = c.window(2, QStringLiteral("examples/demo.ini"));
             w.model().openScript(c.sourceFile(QStringLiteral("examples/demo.iic")));
             CommandEditor& editor = w.model().editor();
             editor.appendLine(QStringLiteral("W 22 01 ; nobody answers at 22"));
             w.bottomPanel().sendAll()->setChecked(true);
             w.action(QStringLiteral("AcSend"))->trigger();
             // A line typed after the Send, with a slip: the check marks it at once.
             editor.appendLine(QStringLiteral("R 48 X Q"));
             editor.setCaretToOffset(1 << 30);
             w.model().editorCaretMoved();
             // The status window takes its lines in at the next frame.
             pumpFor(100);
             return &w;
         }},
        {"chart.png", "the Chart tab after a Repeat of the demo's sine",
         [](ShotContext& c) -> QWidget* {
             MainWindow& w = c.window(1, QStringLiteral("examples/demo.ini"));
             w.model().openScript(c.sourceFile(QStringLiteral("examples/signal.iic")));
             w.bottomPanel().sendAll()->setChecked(true);
             w.bottomPanel().repeatCount()->setValue(300);
             w.tabs().setCurrentIndex(int(MainModel::Tab::Chart));
             w.action(QStringLiteral("AcSendRepeat"))->trigger();
             pumpUntil([&] { return !w.model().execution().RepeatRunning; }, 10000);
             // The chart draws the last samples at its next frame.
             pumpFor(100);
             return &w;
         }},
        {"upgrade-dialog.png", "the \"Upgrade Firmware\" dialog after an upgrade to 2.6",
         [](ShotContext& c) -> QWidget* {
             MainWindow& w = c.window();
             // A folder of a fixed name, so that the picture shows the same path each time;
             // it goes once the file has been programmed.
             QDir folder(QDir::temp().filePath(QStringLiteral("taviro-screenshots/firmware")));
             folder.mkpath(QStringLiteral("."));
             QString error;
             const QString image = folder.filePath(QStringLiteral("taviro-2.6.hex"));
             FirmwareImageWriter({2, 6}).writeFile(image, error);
             UpgradeDialog& dialog = w.upgradeDialog();
             dialog.open();
             // "File:" as a user answers it.
             QTimer::singleShot(0, [image] {
                 if (auto* files = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
                     files->selectFile(image);
                     static_cast<QDialog*>(files)->accept(); // as its Open button
                 }
             });
             dialog.findChild<QPushButton*>(QStringLiteral("Button4"))->click();
             dialog.findChild<QPushButton*>(QStringLiteral("Button1"))->click();
             folder.cdUp();
             folder.removeRecursively();
             return &dialog;
         }},
        {"help-window.png", "the help, opened with F1 in the command window",
         [](ShotContext& c) -> QWidget* {
             HelpSystem& help = c.help();
             MainWindow& w = c.window();
             w.setHelp(help);
             QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
             QApplication::sendEvent(&w.editor(), &f1);
             HelpWindow* helpWindow = help.window();
             if (!helpWindow)
                 return nullptr;
             auto* contents = helpWindow->findChild<QTreeView*>();
             pumpUntil([&] { return contents->model()->rowCount() > 0; }, 5000);
             contents->expandAll();
             pumpFor(100);
             return helpWindow;
         }},
    };
}

} // namespace

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments().mid(1);
    if (args.isEmpty()) {
        std::fputs("usage: taviro-screenshots OUTDIR [NAME...]\n", stderr);
        return 2;
    }
    // Absolute: a shot that goes through a file dialog changes the current folder.
    const QDir out(QDir(args.first()).absolutePath());
    const QStringList wanted = args.mid(1);
    int failures = 0;
    for (const Shot& shot : shots()) {
        const QString file = QString::fromLatin1(shot.file);
        if (!wanted.isEmpty() && !wanted.contains(file) &&
            !wanted.contains(QFileInfo(file).completeBaseName()))
            continue;
        ShotContext context;
        QWidget* widget = shot.take(context);
        const QString path = out.filePath(file);
        if (widget && widget->grab().save(path)) {
            std::printf("%s: %s\n", qPrintable(path), shot.what);
        } else {
            std::fprintf(stderr, "taviro-screenshots: cannot write %s\n", qPrintable(path));
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
