#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class HelpWindow;
class QHelpEngine;
class UiPort;

// The program's help. At start-up, before the main window exists, load() opens the help
// collection; if that fails, one "Warning!" box says so and help does nothing for the rest of
// the run. Afterwards "Help Contents" opens the contents and F1 in the main window opens the
// topic of the focused control's help context number (or of the nearest enclosing control
// that has one); F1 elsewhere, or on a control marked with a help keyword, opens nothing.
class HelpSystem : public QObject
{
    Q_OBJECT

public:
    explicit HelpSystem(UiPort& ui, QObject* parent = nullptr);
    ~HelpSystem() override;

    // Opens the collection found for an executable in that folder (build tree or installed).
    bool load(const QString& executableFolder);
    // Opens this collection; an installed one is opened through a copy in userFolder.
    bool loadCollection(const QString& collection, bool installed, const QString& userFolder);
    bool isLoaded() const { return m_engine != nullptr; }

    // "Help Contents".
    void showContents();
    // Opens the topic of a help context number; false when help is not loaded or the number
    // has no topic.
    bool showContext(int context);

    // F1 in this window is served from now on.
    void serveF1(QWidget* mainWindow);

    // The window, once help has been shown; the engine, while help is loaded.
    HelpWindow* window() const { return m_window.get(); }
    QHelpEngine* engine() const { return m_engine.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void warn();
    HelpWindow& ensureWindow();

    UiPort& m_ui;
    QPointer<QWidget> m_mainWindow;
    // The window shows the engine's widgets and models, so it is destroyed first.
    std::unique_ptr<QHelpEngine> m_engine;
    std::unique_ptr<HelpWindow> m_window;
};
