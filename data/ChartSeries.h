#pragma once

#include "data/SeriesEnvelope.h"
#include "data/SeriesPoint.h"

#include <QString>
#include <QtGlobal>

#include <span>
#include <vector>

class ChartModel;

// The line series of one variable. Its title and colour are the variable's Name and Color in
// VariableDefinitions (one value, not a copy). Points are kept in ascending X in one
// contiguous array; removing points from the front only moves a start index, so trimming to
// the newest points costs nothing per sample. A min/max envelope beside the points, folded when
// a view asks, lets a view draw any number of them at the cost of its width (pointsToDraw).
class ChartSeries
{
public:
    ChartSeries(ChartModel& chart, int index);
    ChartSeries(const ChartSeries&) = delete;
    ChartSeries& operator=(const ChartSeries&) = delete;

    int index() const { return m_index; }

    QString title() const;
    void setTitle(const QString& title);
    quint8 colorIndex() const;
    void setColorIndex(quint8 color);
    quint32 rgb() const; // 0xRRGGBB of the colour index

    bool isOnChart() const;
    // The legend's check box: a hidden line keeps its place on the chart and its points.
    bool isLineVisible() const { return m_lineVisible; }
    void setLineVisible(bool visible);
    // Pen width of the line in pixels (the chart editor's choice).
    int lineWidth() const { return m_lineWidth; }
    void setLineWidth(int width);

    qsizetype count() const { return qsizetype(m_points.size()) - m_head; }
    std::span<const SeriesPoint> points() const
    {
        return {m_points.data() + m_head, size_t(count())};
    }
    double x(qsizetype position) const { return m_points[size_t(m_head + position)].x; }
    double y(qsizetype position) const { return m_points[size_t(m_head + position)].y; }

    void clear();
    // Adds (x, y) after the last point whose X is not greater than x.
    void append(double x, double y);
    // Appends the values at the end; each gets its own position in the series as X.
    void appendBatch(std::span<const double> ys);
    // Sets the X of the point at a position; the caller keeps the order ascending.
    void setX(qsizetype position, double x);
    // Makes room for n more points at once (a read-back that knows its record count).
    void reserve(qsizetype n);
    // Drops the first n points (all of them when n >= count()).
    void removeFirst(qsizetype n);

    // Points removed from the front since the last clear: the absolute index of position 0.
    qint64 removedFront() const { return m_removed; }
    // Counts the clears, so that a view can tell a new series from a trimmed one.
    quint64 clearCount() const { return m_clears; }

    // Lowest and highest Y of the positions lo .. hi - 1.
    SeriesEnvelope::Extremes extremes(qsizetype lo, qsizetype hi) const
    {
        fold();
        return m_envelope.extremes(points(), m_removed, lo, hi);
    }
    // What a view draws for the X range x0 .. x1 on `columns` pixel columns (see
    // SeriesEnvelope::m4), appended to out.
    void pointsToDraw(double x0, double x1, int columns, std::vector<SeriesPoint>& out) const
    {
        fold();
        m_envelope.m4(points(), m_removed, x0, x1, columns, out);
    }

    // In bulk mode views draw the series in a simplified way and changes do not repaint;
    // leaving it repaints.
    void enterBulkMode();
    void leaveBulkMode();
    bool isBulkMode() const { return m_bulk; }

    // Heap bytes held for the points, and for their envelope.
    qsizetype allocatedBytes() const
    {
        return qsizetype(m_points.capacity() * sizeof(SeriesPoint));
    }
    qsizetype envelopeBytes() const
    {
        fold();
        return m_envelope.allocatedBytes();
    }

private:
    void reserveFor(qsizetype extra);
    void relocate(qsizetype capacity);
    // Folds the points appended since the last query into the envelope. Appends only add
    // points; the folding waits for the next view that asks (at most once a frame), where it
    // runs over all of them in one pass.
    void fold() const;

    ChartModel& m_chart;
    int m_index;
    bool m_lineVisible = true;
    int m_lineWidth = 1;
    bool m_bulk = false;
    // Live points are m_points[m_head..]; the dead prefix is reclaimed when it is large.
    std::vector<SeriesPoint> m_points;
    qsizetype m_head = 0;
    qint64 m_removed = 0;
    quint64 m_clears = 0;
    // The envelope of the points up to absolute index m_folded; brought up to date by the
    // queries, which are const.
    mutable SeriesEnvelope m_envelope;
    mutable qint64 m_folded = 0;
};
