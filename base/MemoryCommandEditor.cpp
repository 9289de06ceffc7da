#include "base/MemoryCommandEditor.h"

void MemoryCommandEditor::setLines(const QStringList& lines)
{
    m_lines = lines;
    m_start = m_end = Position{};
    notifyTextChanged();
}

void MemoryCommandEditor::appendLine(const QString& line)
{
    m_lines.append(line);
    notifyTextChanged();
}

void MemoryCommandEditor::clear()
{
    m_lines.clear();
    m_start = m_end = Position{};
    notifyTextChanged();
}

void MemoryCommandEditor::selectAll()
{
    m_start = Position{};
    m_end = m_lines.isEmpty() ? Position{}
                              : Position{int(m_lines.size()) - 1, int(m_lines.last().size())};
}

void MemoryCommandEditor::setCaretToOffset(qsizetype offset)
{
    Position p;
    for (int i = 0; i < m_lines.size(); ++i) {
        const qsizetype length = m_lines[i].size();
        if (offset <= length || i == m_lines.size() - 1) {
            p = {i, int(qBound<qsizetype>(0, offset, length))};
            break;
        }
        offset -= length + 2;
    }
    setCaret(p);
}

void MemoryCommandEditor::select(Position start, Position end)
{
    m_start = start;
    m_end = end;
}
