#pragma once

#include "gui/QCustomPlotInclude.h"

#include <QImage>

// Where the dense lines of a plot are drawn: an image over the axis rect in which each graph
// sets, per pixel column, the run of pixels its line covers (a plain memory write per pixel),
// drawn onto the plot in one go after the graphs. It is cleared at the first use of each
// drawing pass, so a pass without dense lines costs nothing. Kept last on its layer, so dense
// lines lie above the thin ones.
class LineCanvas : public QCPLayerable
{
public:
    explicit LineCanvas(QCustomPlot* plot);

    // The image for this pass, covering area (cleared when the pass first asks).
    QImage& image(const QRect& area);
    QRect area() const { return m_area; }

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;

private:
    QImage m_image;
    QRect m_area;
    bool m_inUse = false;
};
