#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTimer>

#include <functional>
#include <utility>
#include <vector>

class CheckVerdict;

// Colours the command editor after the model's verdict: from the error position to the end of
// the script red, every other character black; a comment (from its line's first ";" on)
// italic and not bold. Only the blocks whose styling changes are highlighted again: those on
// screen at once, the others in short slices from the event loop (and any that scroll into
// view before their slice, at once), so a keystroke in a long script costs little more than
// the check itself even when the whole rest of the script changes colour.
class ScriptHighlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    // What one block shows: where its comment starts and where its red part starts (-1: none).
    struct BlockStyle
    {
        int comment = -1;
        int redFrom = -1;
        bool operator==(const BlockStyle&) const = default;
    };
    // Blocks compared (and restyled where they differ) per slice of the background pass.
    static constexpr int SliceBlocks = 500;

    explicit ScriptHighlighter(QTextDocument* document);

    // The first and last block number on screen; without it every block counts as shown.
    std::function<std::pair<int, int>()> visibleBlocks;

    // Takes the verdict of the check that just ran and restyles the blocks it changes.
    void setVerdict(const CheckVerdict& verdict);
    // The view scrolled or grew: blocks now on screen get their style before they are painted.
    void restyleVisible();
    // True while formats are applied outside a text change: the document reports a change
    // then that is none.
    bool isRestyling() const { return m_restyling; }
    // No block waits for the background pass.
    bool isUpToDate() const { return m_sweepNext < 0; }
    // Blocks highlighted so far (what a keystroke costs).
    quint64 blocksHighlighted() const { return m_highlighted; }

    BlockStyle styleOf(int blockNumber, int length) const;

protected:
    void highlightBlock(const QString& text) override;

private:
    // Restyles the blocks first..last whose style differs from the verdict's.
    void restyle(int first, int last);
    void sweep();
    std::pair<int, int> shownBlocks() const;

    std::vector<int> m_commentColumn; // per line, -1 without a comment
    bool m_ok = true;
    int m_errorLine = 0; // 0-based
    int m_errorColumn = 0;
    bool m_restyling = false;
    // A restyled block whose style changed makes the highlighter go on with the next one, up
    // to this block.
    int m_cascadeEnd = 0;
    QTimer m_sweep;
    int m_sweepNext = -1; // the next block of the background pass; -1 when none is due
    quint64 m_highlighted = 0;
    QTextCharFormat m_comment;
    QTextCharFormat m_error;
    QTextCharFormat m_errorComment;
};
