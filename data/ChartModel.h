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

    // An axis range: automatic (follows the data) or fixed from lower to upper.
    struct AxisRange
    {
        bool automatic = true;
        double lower = 0;
        double upper = 1;
        bool operator==(const AxisRange&) const = default;
    };
    // What the series on the chart whose lines are shown hold: the X of their first and last
    // points and their lowest and highest Y (NaN left out). empty when they hold no point.
    struct DataBounds
    {
        bool empty = true;
        double xMin = 0;
        double xMax = 0;
        double yMin = 0;
        double yMax = 0;
    };

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

    // Ends the user's zoom: both axes return to their set ranges (automatic unless the chart
    // editor fixed them), and the views are asked to follow.
    void undoZoom();
    // The user zoomed or panned: the view shows these ranges until undoZoom().
    void setZoom(const AxisRange& bottom, const AxisRange& left);
    bool isZoomed() const { return m_zoomed; }

    // The ranges set in the chart editor.
    AxisRange bottomAxisRange() const { return m_bottomRange; }
    AxisRange leftAxisRange() const { return m_leftRange; }
    void setAxisRanges(const AxisRange& bottom, const AxisRange& left);
    // The ranges the chart shows: the zoom, else the set ranges, with automatic ones taken
    // from the data bounds (margins are the view's business).
    AxisRange shownBottomRange() const;
    AxisRange shownLeftRange() const;
    DataBounds dataBounds() const;

    QString bottomAxisTitle() const { return m_bottomAxisTitle; }
    void setBottomAxisTitle(const QString& title);
    QString leftAxisTitle() const { return m_leftAxisTitle; }
    void setLeftAxisTitle(const QString& title);
    bool isLegendVisible() const { return m_legendVisible; }
    void setLegendVisible(bool visible);
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
    QString m_leftAxisTitle;
    bool m_legendVisible = true;
    AxisScale m_leftAxisScale = AxisScale::Linear;
    AxisRange m_bottomRange;
    AxisRange m_leftRange;
    bool m_zoomed = false;
    AxisRange m_bottomZoom;
    AxisRange m_leftZoom;
    bool m_shown = true;
    QTimer m_frameTimer;
    QElapsedTimer m_sinceChanged; // invalid until the first changed()
};
