#include "gui/CommandEditorView.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>

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

} // namespace
