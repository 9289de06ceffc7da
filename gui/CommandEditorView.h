#pragma once

#include "base/CommandEditor.h"

#include <QPlainTextEdit>

#include <functional>

class CheckVerdict;
class ScriptHighlighter;

// The command editor: bold fixed-pitch text, no wrap, both scroll bars. Every change of the
// text runs the model's check (through CommandEditor::onTextChanged); the colouring of its
// verdict (red from the error on, italic comments) goes through a syntax highlighter, so it
// adds no undo step, leaves the modified flag alone and is not taken for a change. Enter
// presses Send; Shift+Enter and Ctrl+Enter insert a line break.
class CommandEditorView : public QPlainTextEdit, public CommandEditor
{
    Q_OBJECT

public:
    explicit CommandEditorView(QWidget* parent = nullptr);
    ~CommandEditorView() override;

    // CommandEditor. An empty editor has no lines; otherwise every text block is a line.
    QStringList lines() const override;
    int lineCount() const override;
    QString line(int index) const override;
    void setLines(const QStringList& lines) override;
    void appendLine(const QString& line) override;
    void clear() override;
    void selectAll() override;
    Position selectionStart() const override;
    Position selectionEnd() const override;
    void setCaretToOffset(qsizetype offset) override;
    void setReadOnly(bool readOnly) override;
    bool isReadOnly() const override { return QPlainTextEdit::isReadOnly(); }
    void setFocus() override;

    // Colours the text after the model's check.
    void showVerdict(const CheckVerdict& verdict);
    ScriptHighlighter& highlighter() { return *m_highlighter; }

    // Enter pressed: the window presses Send.
    std::function<void()> onEnter;
    // A key or mouse button was released: the caret panel follows.
    std::function<void()> onCaretReleased;
    // The context menu's "Insert Command Line" and "Clear Window".
    std::function<void()> onInsertCommandLine;
    std::function<void()> onClearWindow;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onContentsChange(int from, int added);
    Position positionOf(int documentPosition) const;

    ScriptHighlighter* m_highlighter = nullptr;
    // The text of every block, kept in step with the document change by change: the check
    // reads all lines at every keystroke, and reading them from the document is slow.
    QStringList m_blocks;
};
