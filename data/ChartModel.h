#pragma once

#include "data/ChartSeries.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

#include <array>
#include <memory>

class VariableDefinitions;

// The chart without its widget: the sixteen series (created once, in index order), which of
// them are on the chart and in what order, and the axis state. Views draw from it.
//
// refresh() is cheap: it counts a generation and schedules one changed() for the next frame,
// so any number of refreshes between two frames costs a view one repaint. Views read the
// series when they paint.
class ChartModel : public QObject
{
    Q_OBJECT

public:
    static constexpr int SeriesCount = 16;
    static constexpr int FrameMs = 16;

    enum class AxisScale { Linear, Log10 };

    explicit ChartModel(VariableDefinitions& definitions, QObject* parent = nullptr);
    ~ChartModel() override;

    VariableDefinitions& definitions() { return m_definitions; }
    const VariableDefinitions& definitions() const { return m_definitions; }

    ChartSeries& series(int index) { return *m_series[size_t(index)]; }
    const ChartSeries& series(int index) const { return *m_series[size_t(index)]; }

    // Puts a series on the chart after the ones already on it; no effect when it is on.
    void putOnChart(int index);
    void takeOffChart(int index);
    bool isOnChart(int index) const { return m_onChart.contains(index); }
    // Indices of the series on the chart, in the order they were put on.
    const QList<int>& seriesOnChart() const { return m_onChart; }
    int seriesOnChartCount() const { return int(m_onChart.size()); }

    // Every point of all sixteen series is dropped.
    void clearAll();
    void enterBulkMode();
    void leaveBulkMode();

    void refresh();
    // Number of refresh() calls so far.
    quint64 generation() const { return m_generation; }

    // Asks the views to return both axes to automatic ranges.
    void undoZoom();

    QString bottomAxisTitle() const { return m_bottomAxisTitle; }
    void setBottomAxisTitle(const QString& title);
    AxisScale leftAxisScale() const { return m_leftAxisScale; }
    void setLeftAxisScale(AxisScale scale);
    // The chart and the table are hidden while a burst runs.
    bool isShown() const { return m_shown; }
    void setShown(bool shown);

    // Schedules changed() for state a view shows (titles, colours, axes, visibility).
    void appearanceChanged();

Q_SIGNALS:
    // At most one per frame, after refreshes or appearance changes.
    void changed();
    void undoZoomRequested();

private:
    void scheduleChanged();
    void emitChanged();

    VariableDefinitions& m_definitions;
    std::array<std::unique_ptr<ChartSeries>, SeriesCount> m_series;
    QList<int> m_onChart;
    quint64 m_generation = 0;
    QString m_bottomAxisTitle;
    AxisScale m_leftAxisScale = AxisScale::Linear;
    bool m_shown = true;
    QTimer m_frameTimer;
    QElapsedTimer m_sinceChanged; // invalid until the first changed()
};
