#include "script/FileTabLines.h"

void FileTabLines::append(QStringList lines)
{
    if (lines.isEmpty())
        return;
    const qsizetype first = m_lines.size();
    const qsizetype count = lines.size();
    if (m_lines.isEmpty())
        m_lines = std::move(lines);
    else
        m_lines.append(lines);
    Q_EMIT appended(first, count);
}

void FileTabLines::clear()
{
    m_lines.clear();
    Q_EMIT cleared();
}

void FileTabLines::setShown(bool shown)
{
    if (m_shown == shown)
        return;
    m_shown = shown;
    Q_EMIT shownChanged();
}
