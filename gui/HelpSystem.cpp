#include "gui/HelpSystem.h"

#include "base/UiPort.h"
#include "gui/HelpWindow.h"
#include "help/HelpFiles.h"
#include "help/HelpRequest.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEngine>
#include <QHelpLink>
#include <QKeyEvent>
#include <QMenu>

namespace {

// The user's own copy of an installed collection, made afresh at each start so that it
// follows the installed help; empty when it cannot be made.
QString userCopy(const QString& collection, const QString& userFolder)
{
    const QString copy = QDir(userFolder).absoluteFilePath(HelpFiles::collectionFileName());
    if (!QDir().mkpath(userFolder))
        return {};
    if (QFileInfo::exists(copy) && !QFile::remove(copy))
        return {};
    QHelpEngineCore installed(collection);
    installed.setReadOnly(true);
    if (!installed.setupData() || !installed.copyCollectionFile(copy))
        return {};
    return copy;
}

// Whether the engine's collection opens and serves the contents page of our help.
bool serves(QHelpEngine& engine)
{
    if (!engine.setupData())
        return false;
    const QString documentation = engine.documentationFileName(HelpFiles::helpNamespace());
    return QFileInfo(documentation).isFile() &&
           !engine.fileData(HelpFiles::contentsPage()).isEmpty();
}

} // namespace

HelpSystem::HelpSystem(UiPort& ui, QObject* parent) : QObject(parent), m_ui(ui) {}

HelpSystem::~HelpSystem() = default;

bool HelpSystem::load(const QString& executableFolder)
{
    const HelpFiles::Location location = HelpFiles::locate(executableFolder);
    return loadCollection(location.collection, location.installed, HelpFiles::userCopyFolder());
}

bool HelpSystem::loadCollection(const QString& collection, bool installed,
                                const QString& userFolder)
{
    m_window.reset();
    m_engine.reset();
    if (QFileInfo(collection).isFile()) {
        // Without a copy the installed collection still serves everything but search.
        const QString copy = installed ? userCopy(collection, userFolder) : QString();
        auto engine = std::make_unique<QHelpEngine>(copy.isEmpty() ? collection : copy);
        // A fresh copy lists the help file only; the engine fills in its topics and index.
        engine->setReadOnly(copy.isEmpty());
        if (serves(*engine))
            m_engine = std::move(engine);
    }
    if (!m_engine)
        warn();
    return isLoaded();
}

void HelpSystem::warn()
{
    m_ui.messageBox(
        QStringLiteral(
            "Unable to view HTML help (*.qch). Reinstall Taviro's help file bridge.qch."),
        QStringLiteral("Warning!"), UiPort::Icon::Warning, int(UiPort::Button::Ok));
}

HelpWindow& HelpSystem::ensureWindow()
{
    if (!m_window)
        m_window = std::make_unique<HelpWindow>(*m_engine, HelpFiles::contentsPage());
    return *m_window;
}

void HelpSystem::showContents()
{
    if (m_engine)
        ensureWindow().showContents();
}

bool HelpSystem::showContext(int context)
{
    if (!m_engine)
        return false;
    const QList<QHelpLink> links =
        m_engine->documentsForIdentifier(HelpRequest::identifier(context));
    if (links.isEmpty())
        return false;
    ensureWindow().showPage(links.first().url);
    return true;
}

void HelpSystem::serveF1(QWidget* mainWindow)
{
    m_mainWindow = mainWindow;
    qApp->installEventFilter(this);
}

bool HelpSystem::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier || !m_mainWindow)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget)
        return false;

    HelpRequest request;
    while (widget) {
        request.addControl(widget->property("helpContext").toInt(),
                           widget->property("helpKeyword").toString());
        // A menu belongs to the menu bar or the control it drops down from.
        if (widget->isWindow() && !qobject_cast<QMenu*>(widget))
            break;
        widget = widget->parentWidget();
    }
    const bool inMainWindow = widget && widget == m_mainWindow;
    request.endAtWindow(inMainWindow);
    if (const std::optional<int> context = request.context())
        showContext(*context);
    return inMainWindow;
}
