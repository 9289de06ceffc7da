#include "gui/CommandEditorView.h"

#include "gui/ScriptHighlighter.h"
#include "script/CheckVerdict.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>

CommandEditorView::CommandEditorView(QWidget* parent) : QPlainTextEdit(parent)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setBold(true);
    setFont(font);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next control: a tab is no separator of the language anyway.
    setTabChangesFocus(true);
    // The colours of the check are black and red, whatever the desktop's theme.
    QPalette colors = palette();
    colors.setColor(QPalette::Base, Qt::white);
    colors.setColor(QPalette::Text, Qt::black);
    setPalette(colors);

    m_blocks = QStringList{QString()};
    // Connected before the highlighter exists, so that the check runs before the highlighter
    // restyles the changed blocks: they are coloured with the new verdict at once.
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int from, int, int added) { onContentsChange(from, added); });
    m_highlighter = new ScriptHighlighter(document());
    // Without wrapping a block is one line, and the scroll value is the first block shown.
    m_highlighter->visibleBlocks = [this] {
        const int first = verticalScrollBar()->value();
        const int lines = viewport()->height() / std::max(1, fontMetrics().lineSpacing());
        return std::pair<int, int>{first, first + lines + 1};
    };
    connect(verticalScrollBar(), &QScrollBar::valueChanged, m_highlighter,
            &ScriptHighlighter::restyleVisible);
}

CommandEditorView::~CommandEditorView()
{
    onTextChanged = nullptr;
}

void CommandEditorView::onContentsChange(int from, int added)
{
    // Applying the verdict's formats outside a text change makes the document report a
    // change of the restyled blocks (removed and added counts equal); it is none.
    if (m_highlighter && m_highlighter->isRestyling())
        return;

    // The blocks from the one where the change starts to the one where the new text ends
    // replace the old blocks of that stretch; the rest only moved.
    const QTextDocument* doc = document();
    const int count = doc->blockCount();
    const int first = doc->findBlock(from).blockNumber();
    const QTextBlock end = doc->findBlock(from + added);
    const int last = end.isValid() ? end.blockNumber() : count - 1;
    const int oldLast = last - (count - int(m_blocks.size()));
    const bool inStep = first >= 0 && oldLast >= first - 1 && oldLast < m_blocks.size();
    if (inStep) {
        m_blocks.remove(first, oldLast - first + 1);
        m_blocks.insert(first, last - first + 1, QString());
        QTextBlock block = doc->findBlockByNumber(first);
        for (int i = first; i <= last; ++i, block = block.next())
            m_blocks[i] = block.text();
    }
    if (!inStep || m_blocks.size() != count) {
        m_blocks.clear();
        for (QTextBlock block = doc->begin(); block.isValid(); block = block.next())
            m_blocks.append(block.text());
    }
    notifyTextChanged();
}

void CommandEditorView::showVerdict(const CheckVerdict& verdict)
{
    m_highlighter->setVerdict(verdict);
}

QStringList CommandEditorView::lines() const
{
    return document()->isEmpty() ? QStringList() : m_blocks;
}

int CommandEditorView::lineCount() const
{
    return document()->isEmpty() ? 0 : int(m_blocks.size());
}

QString CommandEditorView::line(int index) const
{
    return m_blocks.value(index);
}

void CommandEditorView::setLines(const QStringList& lines)
{
    // Replacing the text takes the document more than one change; it is checked once.
    const bool suspended = changeNotificationSuspended();
    setChangeNotificationSuspended(true);
    setPlainText(lines.join(QLatin1Char('\n')));
    setChangeNotificationSuspended(suspended);
    notifyTextChanged();
}

void CommandEditorView::appendLine(const QString& line)
{
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(document()->isEmpty() ? line : QLatin1Char('\n') + line);
}

void CommandEditorView::clear()
{
    // Through a cursor, so that "Clear Window" can be undone.
    QTextCursor cursor(document());
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
}

void CommandEditorView::selectAll()
{
    QPlainTextEdit::selectAll();
}

CommandEditor::Position CommandEditorView::positionOf(int documentPosition) const
{
    const QTextBlock block = document()->findBlock(documentPosition);
    return {block.blockNumber(), documentPosition - block.position()};
}

CommandEditor::Position CommandEditorView::selectionStart() const
{
    return positionOf(textCursor().selectionStart());
}

CommandEditor::Position CommandEditorView::selectionEnd() const
{
    return positionOf(textCursor().selectionEnd());
}

void CommandEditorView::setCaretToOffset(qsizetype offset)
{
    // Offsets count every line break as two characters.
    QTextBlock block = document()->begin();
    while (block.isValid()) {
        const qsizetype length = block.length() - 1;
        if (offset <= length || !block.next().isValid())
            break;
        offset -= length + 2;
        block = block.next();
    }
    QTextCursor cursor(block);
    cursor.setPosition(block.position() +
                       int(std::clamp<qsizetype>(offset, 0, block.length() - 1)));
    setTextCursor(cursor);
    ensureCursorVisible();
}

void CommandEditorView::setReadOnly(bool readOnly)
{
    if (readOnly == QPlainTextEdit::isReadOnly())
        return;
    QPlainTextEdit::setReadOnly(readOnly);
    // The caret still moves and selects while a run keeps the text as it is.
    if (readOnly)
        setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
}

void CommandEditorView::setFocus()
{
    QWidget::setFocus(Qt::OtherFocusReason);
}

void CommandEditorView::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    m_highlighter->restyleVisible();
}

void CommandEditorView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier)) {
            // A real line break (a new block), not the soft break Shift+Enter would give.
            if (!isReadOnly()) {
                QTextCursor cursor = textCursor();
                cursor.insertBlock();
                setTextCursor(cursor);
                ensureCursorVisible();
            }
            return;
        }
        if (modifiers == Qt::NoModifier) {
            if (onEnter)
                onEnter();
            return;
        }
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CommandEditorView::keyReleaseEvent(QKeyEvent* event)
{
    QPlainTextEdit::keyReleaseEvent(event);
    if (onCaretReleased)
        onCaretReleased();
}

void CommandEditorView::mouseReleaseEvent(QMouseEvent* event)
{
    QPlainTextEdit::mouseReleaseEvent(event);
    if (onCaretReleased)
        onCaretReleased();
}

void CommandEditorView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    // The script does not change under a running Send or Repeat.
    QAction* insert = menu.addAction(QStringLiteral("Insert Command Line"));
    insert->setEnabled(!isReadOnly());
    connect(insert, &QAction::triggered, this, [this] {
        if (onInsertCommandLine)
            onInsertCommandLine();
    });
    QAction* clearWindow = menu.addAction(QStringLiteral("Clear Window"));
    clearWindow->setEnabled(!isReadOnly());
    connect(clearWindow, &QAction::triggered, this, [this] {
        if (onClearWindow)
            onClearWindow();
    });
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("Select All")), &QAction::triggered, this,
            [this] { selectAll(); });
    menu.exec(event->globalPos());
}
