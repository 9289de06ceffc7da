#include "gui/StatusLineSource.h"

#include "script/FailureMarks.h"

const QColor StatusLineSource::FailureColor = QColor(255, 0, 0);

QList<LineSource::Span> StatusLineSource::spans(qsizetype index, const QString& text) const
{
    Q_UNUSED(index);
    QList<Span> result;
    for (const FailureMark& mark : findFailureMarks(text))
        result.append({mark.start, mark.length, FailureColor});
    return result;
}
