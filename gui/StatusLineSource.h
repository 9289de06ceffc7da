#pragma once

#include "base/LineStore.h"
#include "gui/LineSource.h"

// The status window's lines for its view: a compact store, with the marks of failures
// (a byte not acknowledged, "Timeout", "overload") drawn in red.
class StatusLineSource : public LineSource
{
public:
    static const QColor FailureColor;

    LineStore& store() { return m_store; }
    const LineStore& store() const { return m_store; }

    qsizetype lineCount() const override { return m_store.count(); }
    QString line(qsizetype index) const override { return m_store.line(index); }
    qsizetype longestLine() const override { return m_store.longestLine(); }
    QList<Span> spans(qsizetype index, const QString& text) const override;

private:
    LineStore m_store;
};
