#pragma once

#include "base/CommandEditor.h"

// The command editor kept in memory, for the CLI and the tests.
class MemoryCommandEditor : public CommandEditor
{
public:
    QStringList lines() const override { return m_lines; }
    int lineCount() const override { return int(m_lines.size()); }
    QString line(int index) const override { return m_lines.value(index); }
    void setLines(const QStringList& lines) override;
    void appendLine(const QString& line) override;
    void clear() override;
    void selectAll() override;

    Position selectionStart() const override { return m_start; }
    Position selectionEnd() const override { return m_end; }
    void setCaretToOffset(qsizetype offset) override;
    // Selects from start to end (end is the position just after the selection).
    void select(Position start, Position end);
    void setCaret(Position caret) { select(caret, caret); }

    void setReadOnly(bool readOnly) override { m_readOnly = readOnly; }
    bool isReadOnly() const override { return m_readOnly; }
    void setFocus() override { ++m_focusRequests; }
    int focusRequests() const { return m_focusRequests; }

private:
    QStringList m_lines;
    Position m_start;
    Position m_end;
    bool m_readOnly = false;
    int m_focusRequests = 0;
};
