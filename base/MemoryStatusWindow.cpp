#include "base/MemoryStatusWindow.h"

void MemoryStatusWindow::addLine(const QString& text)
{
    m_lines.append(text);
    m_allSelected = false;
    Q_EMIT lineAdded(int(m_lines.size()) - 1);
}

void MemoryStatusWindow::appendToLastLine(const QString& text)
{
    if (m_lines.isEmpty()) {
        addLine(text);
        return;
    }
    m_lines.last() += text;
    Q_EMIT lineChanged(int(m_lines.size()) - 1);
}

void MemoryStatusWindow::appendToLine(int index, const QString& text)
{
    if (index < 0 || index >= m_lines.size())
        return;
    m_lines[index] += text;
    Q_EMIT lineChanged(index);
}

void MemoryStatusWindow::clear()
{
    m_lines.clear();
    m_allSelected = false;
    Q_EMIT cleared();
}
