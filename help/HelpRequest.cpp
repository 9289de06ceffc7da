#include "help/HelpRequest.h"

void HelpRequest::addControl(int context, const QString& keyword)
{
    if (m_decided || (context <= 0 && keyword.isEmpty()))
        return;
    m_decided = true;
    // A control marked with a keyword asks for a keyword, whatever else it carries.
    if (keyword.isEmpty())
        m_context = context;
}

void HelpRequest::endAtWindow(bool isMainWindow)
{
    m_mainWindow = isMainWindow;
}

std::optional<int> HelpRequest::context() const
{
    return m_mainWindow ? m_context : std::nullopt;
}
