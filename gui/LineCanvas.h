#pragma once

#include "gui/QCustomPlotInclude.h"

#include <QImage>

#include <vector>

// Where the dense lines of a plot are drawn: each graph hands over, per pixel column, the run
// of rows its line covers; after the graphs the canvas writes the runs into an image over the
// axis rect (a plain memory write per pixel) and draws it onto the plot in one go. Runs are
// written from the last graph to the first, and rows a later graph covers are skipped, so
// sixteen lines that fill the plot cost about as much as one. Kept last on its layer, so dense
// lines lie above the thin ones.
class LineCanvas : public QCPLayerable
{
public:
    explicit LineCanvas(QCustomPlot* plot);

    // One graph's runs, in drawing order: rows top[c] .. bottom[c] of pixel column left + c
    // (none where top[c] > bottom[c]), clipped to area.
    void addRuns(const QRect& area, int left, std::vector<int> top, std::vector<int> bottom,
                 QRgb color);

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;

private:
    struct Runs
    {
        int left = 0;
        std::vector<int> top;
        std::vector<int> bottom;
        QRgb color = 0;
    };
    std::vector<Runs> m_runs;
    QRect m_area;
    QImage m_image;
};
