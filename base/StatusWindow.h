#pragma once

#include <QString>
#include <QStringList>

// The status window as the model sees it: a list of text lines that results are appended to.
// The GUI implements it with its text pane, the CLI and tests with MemoryStatusWindow.
class StatusWindow
{
public:
    virtual ~StatusWindow() = default;

    virtual QStringList lines() const = 0;
    // Adds a new line at the end.
    virtual void addLine(const QString& text) = 0;
    // Appends text to the last line; an empty window first gets a line.
    virtual void appendToLastLine(const QString& text) = 0;
    // Appends text to line index (a Send's line keeps its results even when a "Timeout" line
    // came after it).
    virtual void appendToLine(int index, const QString& text) = 0;
    virtual int lineCount() const = 0;
    virtual void clear() = 0;
    virtual void scrollToEnd() = 0;
    virtual void selectAll() = 0;
};
