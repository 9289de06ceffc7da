#include "data/ChartModel.h"

#include "data/VariableDefinitions.h"

#include <algorithm>
#include <cmath>

ChartModel::ChartModel(VariableDefinitions& definitions, QObject* parent)
    : QObject(parent), m_definitions(definitions)
{
    for (int i = 0; i < SeriesCount; ++i)
        m_series[size_t(i)] = std::make_unique<ChartSeries>(*this, i);
    m_frameTimer.setSingleShot(true);
    m_frameTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_frameTimer, &QTimer::timeout, this, &ChartModel::emitChanged);
}

ChartModel::~ChartModel() = default;

void ChartModel::putOnChart(int index)
{
    if (index < 0 || index >= SeriesCount || isOnChart(index))
        return;
    m_onChart.append(index);
    scheduleChanged();
}

void ChartModel::takeOffChart(int index)
{
    if (m_onChart.removeOne(index))
        scheduleChanged();
}

void ChartModel::clearAll()
{
    for (auto& s : m_series)
        s->clear();
}

void ChartModel::enterBulkMode()
{
    for (auto& s : m_series)
        s->enterBulkMode();
}

void ChartModel::leaveBulkMode()
{
    for (auto& s : m_series)
        s->leaveBulkMode();
}

void ChartModel::refresh()
{
    ++m_generation;
    scheduleChanged();
}

void ChartModel::undoZoom()
{
    m_zoomed = false;
    Q_EMIT undoZoomRequested();
    scheduleChanged();
}

void ChartModel::setZoom(const AxisRange& bottom, const AxisRange& left)
{
    m_zoomed = true;
    m_bottomZoom = {false, bottom.lower, bottom.upper};
    m_leftZoom = {false, left.lower, left.upper};
}

void ChartModel::setAxisRanges(const AxisRange& bottom, const AxisRange& left)
{
    m_bottomRange = bottom;
    m_leftRange = left;
    m_zoomed = false;
    scheduleChanged();
}

ChartModel::AxisRange ChartModel::shownBottomRange() const
{
    if (m_zoomed)
        return m_bottomZoom;
    if (!m_bottomRange.automatic)
        return m_bottomRange;
    const DataBounds b = dataBounds();
    return {true, b.xMin, b.xMax};
}

ChartModel::AxisRange ChartModel::shownLeftRange() const
{
    if (m_zoomed)
        return m_leftZoom;
    if (!m_leftRange.automatic)
        return m_leftRange;
    const DataBounds b = dataBounds();
    return {true, b.yMin, b.yMax};
}

ChartModel::DataBounds ChartModel::dataBounds() const
{
    DataBounds b;
    for (int index : m_onChart) {
        const ChartSeries& s = series(index);
        if (!s.isLineVisible() || s.count() == 0)
            continue;
        const SeriesEnvelope::Extremes e = s.extremes(0, s.count());
        const double xMin = s.x(0);
        const double xMax = s.x(s.count() - 1);
        const double yMin = s.y(e.minPosition);
        const double yMax = s.y(e.maxPosition);
        if (b.empty) {
            b = {false, xMin, xMax, yMin, yMax};
        } else {
            b.xMin = std::min(b.xMin, xMin);
            b.xMax = std::max(b.xMax, xMax);
            // std::min/max keep the first argument when the second is NaN.
            b.yMin = std::isnan(b.yMin) ? yMin : std::min(b.yMin, yMin);
            b.yMax = std::isnan(b.yMax) ? yMax : std::max(b.yMax, yMax);
        }
    }
    return b;
}

void ChartModel::setBottomAxisTitle(const QString& title)
{
    if (title == m_bottomAxisTitle)
        return;
    m_bottomAxisTitle = title;
    scheduleChanged();
}

void ChartModel::setLeftAxisTitle(const QString& title)
{
    if (title == m_leftAxisTitle)
        return;
    m_leftAxisTitle = title;
    scheduleChanged();
}

void ChartModel::setLegendVisible(bool visible)
{
    if (visible == m_legendVisible)
        return;
    m_legendVisible = visible;
    scheduleChanged();
}

void ChartModel::setLeftAxisScale(AxisScale scale)
{
    if (scale == m_leftAxisScale)
        return;
    m_leftAxisScale = scale;
    scheduleChanged();
}

void ChartModel::setShown(bool shown)
{
    if (shown == m_shown)
        return;
    m_shown = shown;
    scheduleChanged();
}

void ChartModel::appearanceChanged()
{
    scheduleChanged();
}

void ChartModel::scheduleChanged()
{
    if (m_frameTimer.isActive())
        return;
    // The first change after a quiet spell goes out on the next event-loop turn; later ones
    // wait until a frame has passed since the last changed().
    qint64 wait = 0;
    if (m_sinceChanged.isValid())
        wait = qMax<qint64>(0, FrameMs - m_sinceChanged.elapsed());
    m_frameTimer.start(int(wait));
}

void ChartModel::emitChanged()
{
    m_sinceChanged.start();
    Q_EMIT changed();
}
