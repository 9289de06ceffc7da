#pragma once

#include "script/ExecutionState.h"

#include <QObject>
#include <QString>

class StatusPanels;

// The main window's execution state, with the start and the end that every run (Send,
// Repeat, bus scan, burst capture) goes through. changed() announces each change of the
// state, and the main-window model follows it with UpdateActions, so the runners need not
// know the model. GUI thread only.
class Execution : public QObject
{
    Q_OBJECT

public:
    enum class Run { Send, List, Repeat, Burst };

    explicit Execution(StatusPanels& panels);

    ExecutionState& state() { return m_state; }
    const ExecutionState& state() const { return m_state; }

    // A run starts: its state is set, the commands follow and the run panel says "wait...".
    void begin(Run run);
    // A run ends, whichever way: the run flags are cleared, the commands follow, the editor
    // takes the focus if the Editor tab is shown (runEnded), and the run panel keeps its text.
    void end();
    // The same, with panelText (possibly empty) in the run panel.
    void end(const QString& panelText);
    // ClearRunFlags: every run state and both hand-over flags false.
    void clear();

Q_SIGNALS:
    void changed();
    void runEnded();

private:
    StatusPanels& m_panels;
    ExecutionState m_state;
};
