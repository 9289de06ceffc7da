#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// The command editor as the model sees it. The GUI implements it with its text widget, the
// CLI and tests with MemoryCommandEditor. Positions are (line, column), both 0-based.
class CommandEditor
{
public:
    struct Position
    {
        int line = 0;
        int column = 0;
        bool operator==(const Position&) const = default;
    };

    virtual ~CommandEditor() = default;

    virtual QStringList lines() const = 0;
    virtual int lineCount() const = 0;
    // One line's text without copying the others; empty for an index outside the text.
    virtual QString line(int index) const = 0;
    // Replaces the whole text (a loaded file, a conversion).
    virtual void setLines(const QStringList& lines) = 0;
    virtual void appendLine(const QString& line) = 0;
    virtual void clear() = 0;
    virtual void selectAll() = 0;

    // Where the selection starts and the position just after it (equal when nothing is
    // selected: the caret).
    virtual Position selectionStart() const = 0;
    virtual Position selectionEnd() const = 0;
    // Puts the caret at an absolute position counted with every line break as two characters.
    virtual void setCaretToOffset(qsizetype offset) = 0;

    virtual void setReadOnly(bool readOnly) = 0;
    virtual bool isReadOnly() const = 0;
    virtual void setFocus() = 0;

    // Every change of the text calls this (unless suspended); the model runs the check there.
    std::function<void()> onTextChanged;
    // Loading a file suspends the notification so that the check runs once, afterwards.
    void setChangeNotificationSuspended(bool suspended) { m_suspended = suspended; }
    bool changeNotificationSuspended() const { return m_suspended; }

protected:
    void notifyTextChanged()
    {
        if (!m_suspended && onTextChanged)
            onTextChanged();
    }

private:
    bool m_suspended = false;
};
