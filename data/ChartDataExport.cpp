#include "data/ChartDataExport.h"

#include "data/ChartModel.h"
#include "data/DoubleText.h"

#include <QSaveFile>

#include <vector>

namespace {

constexpr qsizetype FlushBytes = 1 << 16;

QByteArray field(const QString& text, char separator)
{
    QByteArray utf8 = text.toUtf8();
    if (!utf8.contains(separator) && !utf8.contains('"') && !utf8.contains('\n') &&
        !utf8.contains('\r'))
        return utf8;
    utf8.replace("\"", "\"\"");
    return '"' + utf8 + '"';
}

} // namespace

void ChartDataExport::write(const ChartModel& chart, Format format, QIODevice& out)
{
    const char separator = format == Format::Csv ? ',' : '\t';
    std::vector<const ChartSeries*> series;
    QByteArray buffer = "X";
    for (int index : chart.seriesOnChart()) {
        series.push_back(&chart.series(index));
        buffer += separator;
        buffer += field(chart.series(index).title(), separator);
    }
    buffer += "\r\n";

    // A merge on X: each row takes the smallest X still to come and, from every series whose
    // next point has that X, one point.
    std::vector<qsizetype> next(series.size(), 0);
    for (;;) {
        size_t chosen = series.size();
        for (size_t i = 0; i < series.size(); ++i) {
            if (next[i] < series[i]->count() &&
                (chosen == series.size() ||
                 series[i]->x(next[i]) < series[chosen]->x(next[chosen])))
                chosen = i;
        }
        if (chosen == series.size())
            break;
        const double x = series[chosen]->x(next[chosen]);
        buffer += doubleText(x);
        for (size_t i = 0; i < series.size(); ++i) {
            buffer += separator;
            // The chosen series always gives its point, so the merge moves on even where X is
            // not a number.
            if (next[i] < series[i]->count() && (i == chosen || series[i]->x(next[i]) == x))
                buffer += doubleText(series[i]->y(next[i]++));
        }
        buffer += "\r\n";
        if (buffer.size() >= FlushBytes) {
            out.write(buffer);
            buffer.clear();
        }
    }
    out.write(buffer);
}

bool ChartDataExport::save(const ChartModel& chart, Format format, const QString& path,
                           QString* error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        write(chart, format, file);
        if (file.commit())
            return true;
    }
    if (error)
        *error = file.errorString();
    return false;
}
