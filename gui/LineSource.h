#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QtGlobal>

// Text lines that a LineView draws on demand: the view asks only for the lines it shows, so
// a source may hold millions of lines or render them from bytes as they are asked for.
class LineSource
{
public:
    // Characters start .. start + length - 1 of a line drawn in another colour.
    struct Span
    {
        qsizetype start = 0;
        qsizetype length = 0;
        QColor color;
    };

    virtual ~LineSource() = default;

    virtual qsizetype lineCount() const = 0;
    virtual QString line(qsizetype index) const = 0;
    // Length in characters of the longest line (an upper bound will do): the horizontal
    // scroll range.
    virtual qsizetype longestLine() const = 0;
    // Parts of a line drawn in their own colour; the rest takes the view's text colour.
    virtual QList<Span> spans(qsizetype index, const QString& text) const
    {
        Q_UNUSED(index);
        Q_UNUSED(text);
        return {};
    }
};
