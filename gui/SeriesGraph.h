#pragma once

#include "gui/QCustomPlotInclude.h"

class LineCanvas;

// A chart series' graph. Where its line covers many pixels (a signal that swings across the
// plot within a few pixel columns, or a full view of a long capture), the line is handed to
// the plot's LineCanvas as one vertical run of pixels per column: the pixels a one-pixel line
// would set, written straight into memory instead of walked segment by segment. Thin lines,
// wider pens and vector output (SVG, PDF) are drawn by QCPGraph itself.
class SeriesGraph : public QCPGraph
{
public:
    SeriesGraph(QCPAxis* keyAxis, QCPAxis* valueAxis, LineCanvas& canvas)
        : QCPGraph(keyAxis, valueAxis), m_canvas(canvas)
    {}

protected:
    void drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const override;

private:
    LineCanvas& m_canvas;
};
