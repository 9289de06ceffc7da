#pragma once

#include "base/StatusWindow.h"

#include <QObject>

// The status window kept in memory, for the CLI and the tests. Views follow it through the
// signals: a line is complete once the next one is added or the window is cleared.
class MemoryStatusWindow : public QObject, public StatusWindow
{
    Q_OBJECT

public:
    QStringList lines() const override { return m_lines; }
    void addLine(const QString& text) override;
    void appendToLastLine(const QString& text) override;
    void appendToLine(int index, const QString& text) override;
    int lineCount() const override { return int(m_lines.size()); }
    void clear() override;
    void scrollToEnd() override { ++m_scrolls; }
    void selectAll() override { m_allSelected = true; }

    int scrollCount() const { return m_scrolls; }
    bool allSelected() const { return m_allSelected; }

Q_SIGNALS:
    void lineAdded(int index);
    void lineChanged(int index);
    void cleared();

private:
    QStringList m_lines;
    int m_scrolls = 0;
    bool m_allSelected = false;
};
