#include "gui/ScriptHighlighter.h"

#include "script/CheckVerdict.h"

#include <QTextDocument>

#include <algorithm>
#include <climits>

namespace {

// Block states alternate between these two whenever a block's style changes.
constexpr int ChangedState = 1;

// The style a block was last highlighted with, kept with the block.
class AppliedStyle : public QTextBlockUserData
{
public:
    explicit AppliedStyle(ScriptHighlighter::BlockStyle s) : style(s) {}
    ScriptHighlighter::BlockStyle style;
};

ScriptHighlighter::BlockStyle appliedStyle(const QTextBlock& block)
{
    const auto* applied = static_cast<const AppliedStyle*>(block.userData());
    return applied ? applied->style : ScriptHighlighter::BlockStyle{};
}

} // namespace

ScriptHighlighter::ScriptHighlighter(QTextDocument* document) : QSyntaxHighlighter(document)
{
    m_comment.setFontItalic(true);
    m_comment.setFontWeight(QFont::Normal);
    m_error.setForeground(QColor(255, 0, 0));
    m_errorComment = m_comment;
    m_errorComment.setForeground(QColor(255, 0, 0));
    m_sweep.setSingleShot(true);
    m_sweep.setInterval(0);
    connect(&m_sweep, &QTimer::timeout, this, &ScriptHighlighter::sweep);
}

ScriptHighlighter::BlockStyle ScriptHighlighter::styleOf(int blockNumber, int length) const
{
    BlockStyle s;
    if (blockNumber >= 0 && size_t(blockNumber) < m_commentColumn.size())
        s.comment = m_commentColumn[size_t(blockNumber)];
    if (!m_ok && blockNumber >= m_errorLine)
        s.redFrom = blockNumber == m_errorLine ? m_errorColumn : 0;
    // Styling past the end of the text shows nothing.
    if (s.comment >= length)
        s.comment = -1;
    if (s.redFrom >= length)
        s.redFrom = -1;
    return s;
}

std::pair<int, int> ScriptHighlighter::shownBlocks() const
{
    return visibleBlocks ? visibleBlocks() : std::pair<int, int>{0, INT_MAX};
}

void ScriptHighlighter::setVerdict(const CheckVerdict& verdict)
{
    const QTextDocument* doc = document();
    m_commentColumn.assign(size_t(doc->blockCount()), -1);
    for (const CheckVerdict::CommentRange& c : verdict.comments)
        if (c.lineIndex >= 0 && size_t(c.lineIndex) < m_commentColumn.size())
            m_commentColumn[size_t(c.lineIndex)] = int(c.column);
    m_ok = verdict.ok;
    m_errorLine = verdict.line - 1;
    m_errorColumn = int(verdict.column);

    const auto [first, last] = shownBlocks();
    restyle(first, last);
    // The rest of the script follows from the event loop.
    m_sweepNext = 0;
    m_sweep.start();
}

void ScriptHighlighter::restyleVisible()
{
    if (isUpToDate())
        return;
    const auto [first, last] = shownBlocks();
    restyle(first, last);
}

void ScriptHighlighter::restyle(int first, int last)
{
    // A block whose style changes marks its state as changed, which makes the highlighter go
    // on to the next block in the same pass: a run of changed blocks (the lines between the
    // old and the new error) costs one restyle, not one per block. The run stops at last.
    m_restyling = true;
    m_cascadeEnd = last;
    QTextBlock block = document()->findBlockByNumber(std::max(first, 0));
    for (int number = block.blockNumber(); block.isValid() && number <= last;
         block = block.next(), ++number) {
        if (appliedStyle(block) != styleOf(number, block.length() - 1))
            rehighlightBlock(block);
    }
    m_cascadeEnd = INT_MAX;
    m_restyling = false;
}

void ScriptHighlighter::sweep()
{
    if (m_sweepNext < 0)
        return;
    const int first = m_sweepNext;
    const int last = first + SliceBlocks - 1;
    restyle(first, last);
    m_sweepNext = last + 1 < document()->blockCount() ? last + 1 : -1;
    if (m_sweepNext >= 0)
        m_sweep.start();
}

void ScriptHighlighter::highlightBlock(const QString& text)
{
    ++m_highlighted;
    const int length = int(text.size());
    const int number = currentBlock().blockNumber();
    const BlockStyle s = styleOf(number, length);

    // The block is cut where the comment and the red part begin; each piece takes the
    // format of what covers it.
    int cuts[] = {0, s.comment, s.redFrom, length};
    std::sort(std::begin(cuts), std::end(cuts));
    for (size_t i = 0; i + 1 < std::size(cuts); ++i) {
        const int from = std::max(cuts[i], 0);
        const int to = cuts[i + 1];
        if (to <= from)
            continue;
        const bool comment = s.comment >= 0 && from >= s.comment;
        const bool red = s.redFrom >= 0 && from >= s.redFrom;
        if (comment)
            setFormat(from, to - from, red ? m_errorComment : m_comment);
        else if (red)
            setFormat(from, to - from, m_error);
    }

    auto* applied = static_cast<AppliedStyle*>(currentBlockUserData());
    const bool changed = !applied || applied->style != s;
    if (applied)
        applied->style = s;
    else
        setCurrentBlockUserData(new AppliedStyle(s));
    // A changed state makes the highlighter go on with the next block, within the range
    // being restyled; an edit's own pass goes on as far as the screen shows.
    const int cascadeEnd = m_restyling ? m_cascadeEnd : shownBlocks().second;
    if (changed && number < cascadeEnd)
        setCurrentBlockState(currentBlockState() == ChangedState ? ChangedState + 1 : ChangedState);
}
