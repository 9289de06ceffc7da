#include "script/Execution.h"

#include "base/StatusPanels.h"

Execution::Execution(StatusPanels& panels) : m_panels(panels) {}

void Execution::begin(Run run)
{
    switch (run) {
    case Run::Send:
        m_state.SendBusy = true;
        break;
    case Run::List:
        m_state.ListBusy = true;
        break;
    case Run::Repeat:
        m_state.RepeatRunning = true;
        break;
    case Run::Burst:
        m_state.BurstRunning = true;
        break;
    }
    Q_EMIT changed();
    m_panels.setText(StatusPanels::Run, QStringLiteral("wait..."));
}

void Execution::clear()
{
    m_state = ExecutionState{};
    Q_EMIT changed();
}

void Execution::end()
{
    clear();
    Q_EMIT runEnded();
}

void Execution::end(const QString& panelText)
{
    end();
    m_panels.setText(StatusPanels::Run, panelText);
}
