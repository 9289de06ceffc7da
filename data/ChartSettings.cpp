#include "data/ChartSettings.h"

#include "data/VarColors.h"

#include <algorithm>
#include <cmath>

ChartSettings ChartSettings::from(const ChartModel& chart)
{
    ChartSettings s;
    s.bottomTitle = chart.bottomAxisTitle();
    s.leftTitle = chart.leftAxisTitle();
    // A range the user never fixed starts from what the chart shows now.
    s.bottom = chart.bottomAxisRange();
    s.left = chart.leftAxisRange();
    if (s.bottom.automatic)
        s.bottom = chart.shownBottomRange();
    if (s.left.automatic)
        s.left = chart.shownLeftRange();
    s.bottom.automatic = chart.bottomAxisRange().automatic;
    s.left.automatic = chart.leftAxisRange().automatic;
    s.legend = chart.isLegendVisible();
    for (int index : chart.seriesOnChart()) {
        const ChartSeries& series = chart.series(index);
        s.series.append({index, series.title(), series.colorIndex(), series.lineWidth(),
                         series.isLineVisible()});
    }
    return s;
}

QString ChartSettings::error(ChartModel::AxisScale scale) const
{
    const auto bad = [](const ChartModel::AxisRange& r) {
        return !r.automatic &&
               !(std::isfinite(r.lower) && std::isfinite(r.upper) && r.lower < r.upper);
    };
    if (bad(bottom))
        return QStringLiteral("The bottom axis minimum must be a number below its maximum.");
    if (bad(left))
        return QStringLiteral("The left axis minimum must be a number below its maximum.");
    if (scale == ChartModel::AxisScale::Log10 && !left.automatic && left.lower <= 0)
        return QStringLiteral("A logarithmic left axis needs a minimum above 0.");
    for (const Series& s : series)
        if (s.colorIndex >= VarColors.size() || s.lineWidth < 1 || s.lineWidth > MaxLineWidth)
            return QStringLiteral("The line of %1 has no valid colour or width.").arg(s.title);
    return {};
}

void ChartSettings::applyTo(ChartModel& chart) const
{
    chart.setBottomAxisTitle(bottomTitle);
    chart.setLeftAxisTitle(leftTitle);
    chart.setAxisRanges(bottom, left);
    chart.setLegendVisible(legend);
    for (const Series& s : series) {
        if (s.index < 0 || s.index >= ChartModel::SeriesCount)
            continue;
        ChartSeries& series = chart.series(s.index);
        if (series.colorIndex() != s.colorIndex)
            series.setColorIndex(s.colorIndex);
        if (series.lineWidth() != s.lineWidth)
            series.setLineWidth(std::clamp(s.lineWidth, 1, MaxLineWidth));
        if (series.isLineVisible() != s.visible)
            series.setLineVisible(s.visible);
    }
}
