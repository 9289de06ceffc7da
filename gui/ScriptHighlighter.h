#pragma once

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <vector>

class CheckVerdict;

// Colours the command editor after the model's verdict: from the error position to the end of
// the script red, every other character black; a comment (from its line's first ";" on)
// italic and not bold. Only the blocks whose styling changes are highlighted again, so a
// keystroke in a long script costs little more than the check itself.
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

    explicit ScriptHighlighter(QTextDocument* document);

    // Takes the verdict of the check that just ran and restyles the blocks it changes.
    void setVerdict(const CheckVerdict& verdict);
    // True while setVerdict applies formats: the document reports a change then that is none.
    bool isRestyling() const { return m_restyling; }
    // Blocks highlighted so far (what a keystroke costs).
    quint64 blocksHighlighted() const { return m_highlighted; }

    BlockStyle styleOf(int blockNumber, int length) const;

protected:
    void highlightBlock(const QString& text) override;

private:
    std::vector<int> m_commentColumn; // per line, -1 without a comment
    bool m_ok = true;
    int m_errorLine = 0; // 0-based
    int m_errorColumn = 0;
    bool m_restyling = false;
    quint64 m_highlighted = 0;
    QTextCharFormat m_comment;
    QTextCharFormat m_error;
    QTextCharFormat m_errorComment;
};
