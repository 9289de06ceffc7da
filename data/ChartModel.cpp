#include "data/ChartModel.h"

#include "data/VariableDefinitions.h"

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
    Q_EMIT undoZoomRequested();
}

void ChartModel::setBottomAxisTitle(const QString& title)
{
    if (title == m_bottomAxisTitle)
        return;
    m_bottomAxisTitle = title;
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
