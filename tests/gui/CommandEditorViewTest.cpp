#include "gui/CommandEditorView.h"
#include "data/VariableDefinitions.h"
#include "gui/ScriptHighlighter.h"
#include "script/CheckScript.h"
#include "support/WaitFor.h"

#include <QRandomGenerator>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include <gtest/gtest.h>

namespace {

// What the document holds, line by line (none for an empty one).
QStringList documentLines(const CommandEditorView& editor)
{
    const QString text = editor.document()->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

TEST(CommandEditorView, ItsLinesFollowEveryKindOfEdit)
{
    CommandEditorView editor;
    int changes = 0;
    editor.onTextChanged = [&] { ++changes; };
    EXPECT_EQ(editor.lineCount(), 0);
    editor.setLines({QStringLiteral("S A0 00"), QStringLiteral("R 48 X"), QString()});
    EXPECT_EQ(editor.lines(), documentLines(editor));
    EXPECT_EQ(changes, 1);

    // Random insertions (with and without line breaks), deletions across lines, undo and
    // redo: the lines the check reads stay those of the document.
    QRandomGenerator random(12);
    const QStringList pieces = {QStringLiteral("W 50"), QStringLiteral("\n"),
                                QStringLiteral(" X X\nR 48"), QStringLiteral("\n\n;c\n"),
                                QStringLiteral("+")};
    for (int step = 0; step < 400; ++step) {
        QTextCursor cursor(editor.document());
        const int length = editor.document()->characterCount() - 1;
        cursor.setPosition(int(random.bounded(length + 1)));
        switch (random.bounded(5)) {
        case 0:
        case 1:
            cursor.insertText(pieces[int(random.bounded(pieces.size()))]);
            break;
        case 2:
            cursor.setPosition(std::min(length, cursor.position() + int(random.bounded(12))),
                               QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
            break;
        case 3:
            editor.undo();
            break;
        case 4:
            editor.appendLine(QStringLiteral("r 00"));
            break;
        }
        ASSERT_EQ(editor.lines(), documentLines(editor)) << "step " << step;
        ASSERT_EQ(editor.lineCount(), documentLines(editor).size());
    }
    editor.clear();
    EXPECT_EQ(editor.lineCount(), 0);
    EXPECT_TRUE(editor.lines().isEmpty());
    editor.appendLine(QStringLiteral("R 48 X"));
    EXPECT_EQ(editor.lines(), QStringList{QStringLiteral("R 48 X")});
}

TEST(CommandEditorView, PositionsCountLineBreaksAsTwoCharacters)
{
    CommandEditorView editor;
    editor.setLines({QStringLiteral("S A0 00"), QStringLiteral("R 48 X"), QStringLiteral("Q")});
    struct Case
    {
        qsizetype offset;
        CommandEditor::Position at;
    };
    for (const Case& c : {Case{0, {0, 0}}, Case{7, {0, 7}}, Case{9, {1, 0}}, Case{12, {1, 3}},
                          Case{17, {2, 0}}, Case{18, {2, 1}}, Case{99, {2, 1}}}) {
        editor.setCaretToOffset(c.offset);
        EXPECT_EQ(editor.selectionStart(), c.at) << c.offset;
        EXPECT_EQ(editor.selectionEnd(), c.at) << c.offset;
    }
    editor.selectAll();
    EXPECT_EQ(editor.selectionStart(), (CommandEditor::Position{0, 0}));
    EXPECT_EQ(editor.selectionEnd(), (CommandEditor::Position{2, 1}));
}

TEST(CommandEditorView, ColoursWhatIsShownAtOnceAndTheRestSoonAfter)
{
    CommandEditorView editor;
    editor.resize(400, 200);
    editor.show();
    const VariableDefinitions variables;
    editor.onTextChanged = [&] { editor.showVerdict(CheckScript(editor.lines(), variables)); };
    editor.setLines(QStringList(3000, QStringLiteral("W 50 00 R 50 X X")));
    ASSERT_TRUE(waitFor([&] { return editor.highlighter().isUpToDate(); }));
    const auto red = [&](int line) {
        const QTextBlock block = editor.document()->findBlockByNumber(line);
        for (const QTextLayout::FormatRange& r : block.layout()->formats())
            if (r.start == 0 && r.format.foreground().color() == QColor(255, 0, 0))
                return true;
        return false;
    };

    // An error on line 2: the lines on screen turn red with the keystroke, the others follow.
    const quint64 before = editor.highlighter().blocksHighlighted();
    QTextCursor cursor(editor.document()->findBlockByNumber(1));
    cursor.insertText(QStringLiteral("Q"));
    EXPECT_LT(editor.highlighter().blocksHighlighted() - before, 100u);
    EXPECT_FALSE(red(0));
    EXPECT_TRUE(red(1));
    EXPECT_TRUE(red(5));
    EXPECT_FALSE(editor.highlighter().isUpToDate());
    // What scrolls into view is coloured before it is painted.
    editor.verticalScrollBar()->setValue(editor.verticalScrollBar()->maximum());
    EXPECT_TRUE(red(2999));
    ASSERT_TRUE(waitFor([&] { return editor.highlighter().isUpToDate(); }));
    for (int line : {1, 2, 1500, 2998, 2999})
        EXPECT_TRUE(red(line)) << line;

    editor.undo();
    ASSERT_TRUE(waitFor([&] { return editor.highlighter().isUpToDate(); }));
    for (int line : {0, 1, 1500, 2999})
        EXPECT_FALSE(red(line)) << line;
    EXPECT_EQ(editor.document()->availableUndoSteps(), 0);
}

} // namespace
