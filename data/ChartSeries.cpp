#include "data/ChartSeries.h"

#include "data/ChartModel.h"
#include "data/VarColors.h"
#include "data/VariableDefinitions.h"

#include <algorithm>

namespace {
constexpr qsizetype MinCapacity = 64;
// Room for half as many points again as are live: at most 24 bytes per live point.
qsizetype grownCapacity(qsizetype live, qsizetype needed)
{
    return std::max({MinCapacity, needed, live + live / 2});
}
} // namespace

ChartSeries::ChartSeries(ChartModel& chart, int index) : m_chart(chart), m_index(index) {}

QString ChartSeries::title() const
{
    return m_chart.definitions().Names[m_index];
}

void ChartSeries::setTitle(const QString& title)
{
    m_chart.definitions().Names[m_index] = title;
    m_chart.appearanceChanged();
}

quint8 ChartSeries::colorIndex() const
{
    return m_chart.definitions().Colors[m_index];
}

void ChartSeries::setColorIndex(quint8 color)
{
    m_chart.definitions().Colors[m_index] = color;
    m_chart.appearanceChanged();
}

quint32 ChartSeries::rgb() const
{
    return varColorRgb(colorIndex());
}

bool ChartSeries::isOnChart() const
{
    return m_chart.isOnChart(m_index);
}

void ChartSeries::setLineVisible(bool visible)
{
    m_lineVisible = visible;
    m_chart.appearanceChanged();
}

void ChartSeries::setLineWidth(int width)
{
    m_lineWidth = std::max(1, width);
    m_chart.appearanceChanged();
}

void ChartSeries::clear()
{
    std::vector<SeriesPoint>().swap(m_points);
    m_head = 0;
    m_removed = 0;
    m_folded = 0;
    ++m_clears;
    m_envelope.clear();
}

void ChartSeries::append(double x, double y)
{
    reserveFor(1);
    if (count() == 0 || m_points.back().x <= x) {
        m_points.push_back({x, y});
        return;
    }
    const auto first = m_points.begin() + m_head;
    const auto at = std::upper_bound(first, m_points.end(), x,
                                     [](double v, const SeriesPoint& p) { return v < p.x; });
    m_points.insert(at, {x, y});
    // Every later point moved up one position: the buckets no longer match. The next query
    // folds them all again.
    m_envelope.clear();
    m_folded = m_removed;
}

void ChartSeries::appendBatch(std::span<const double> ys)
{
    reserveFor(qsizetype(ys.size()));
    double position = double(count());
    for (double y : ys)
        m_points.push_back({position++, y});
}

void ChartSeries::setX(qsizetype position, double x)
{
    m_points[size_t(m_head + position)].x = x;
}

void ChartSeries::reserve(qsizetype n)
{
    if (n > 0 && qsizetype(m_points.size()) + n > qsizetype(m_points.capacity()))
        relocate(count() + n);
}

void ChartSeries::removeFirst(qsizetype n)
{
    if (n <= 0)
        return;
    if (n >= count()) {
        m_removed += count();
        m_points.clear();
        m_head = 0;
    } else {
        m_removed += n;
        m_head += n;
    }
    m_folded = std::max(m_folded, m_removed);
    // Give memory back after a large cut so the bytes per point stay bounded.
    if (m_points.capacity() > size_t(4 * MinCapacity) && size_t(4 * count()) < m_points.capacity())
        relocate(grownCapacity(count(), count()));
}

void ChartSeries::fold() const
{
    // Buckets of trimmed points are never used whole; dropping them only gives memory back,
    // so that too waits for the next query.
    m_envelope.trimmed(m_removed);
    const qint64 end = m_removed + count();
    if (m_folded >= end)
        return;
    m_envelope.appended(points(), m_removed, qsizetype(m_folded - m_removed));
    m_folded = end;
}

void ChartSeries::enterBulkMode()
{
    m_bulk = true;
}

void ChartSeries::leaveBulkMode()
{
    if (!m_bulk)
        return;
    m_bulk = false;
    m_chart.appearanceChanged();
}

void ChartSeries::reserveFor(qsizetype extra)
{
    const qsizetype used = qsizetype(m_points.size());
    const qsizetype capacity = qsizetype(m_points.capacity());
    if (used + extra <= capacity)
        return;
    const qsizetype live = count();
    // Reclaiming the dead prefix only pays when it frees a good share of the array;
    // otherwise the array grows.
    if (live + extra <= capacity && m_head >= (live + extra) / 2) {
        m_points.erase(m_points.begin(), m_points.begin() + m_head);
        m_head = 0;
        return;
    }
    relocate(grownCapacity(live, live + extra));
}

void ChartSeries::relocate(qsizetype capacity)
{
    std::vector<SeriesPoint> moved;
    moved.reserve(size_t(capacity));
    moved.assign(m_points.begin() + m_head, m_points.end());
    m_points.swap(moved);
    m_head = 0;
}
