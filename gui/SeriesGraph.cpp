#include "gui/SeriesGraph.h"

#include "gui/LineCanvas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

// Below this many covered pixels per pixel column the line is thin, and drawn as a line.
constexpr int DenseRowsPerColumn = 3;

} // namespace

void SeriesGraph::drawLinePlot(QCPPainter* painter, const QVector<QPointF>& lines) const
{
    const QCPAxisRect* axisRect = keyAxis() ? keyAxis()->axisRect() : nullptr;
    if (!axisRect || lines.size() < 2 || painter->modes().testFlag(QCPPainter::pmVectorized) ||
        pen().widthF() > 1 || keyAxis()->orientation() != Qt::Horizontal) {
        QCPGraph::drawLinePlot(painter, lines);
        return;
    }

    // The rows each segment touches in each pixel column it crosses.
    const QRect area = axisRect->rect();
    const int left = area.left() - 1;
    const int columns = area.width() + 2;
    std::vector<int> top(size_t(columns), INT_MAX);
    std::vector<int> bottom(size_t(columns), INT_MIN);
    const auto row = [](double y) { return int(std::lround(y)); };
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        QPointF a = lines[i];
        QPointF b = lines[i + 1];
        if (std::isnan(a.y()) || std::isnan(b.y()) || std::isnan(a.x()) || std::isnan(b.x()))
            continue;
        if (b.x() < a.x())
            std::swap(a, b);
        // A point far outside the plot (the neighbour of a zoomed range) would overflow an
        // int: columns are counted in doubles first.
        const double lastColumn = left + columns - 1;
        const int first = int(std::floor(std::clamp(a.x(), double(left), lastColumn + 1)));
        const int last = int(std::floor(std::clamp(b.x(), double(left) - 1, lastColumn)));
        const double dx = b.x() - a.x();
        for (int c = first; c <= last; ++c) {
            double ya = a.y();
            double yb = b.y();
            if (dx > 0) {
                const double from = std::max(a.x(), double(c));
                const double to = std::min(b.x(), double(c + 1));
                ya = a.y() + (b.y() - a.y()) * (from - a.x()) / dx;
                yb = a.y() + (b.y() - a.y()) * (to - a.x()) / dx;
            }
            // Far outside the plot a row number would overflow; the clip cuts it anyway.
            const double low = std::clamp(std::min(ya, yb), area.top() - 2.0, area.bottom() + 2.0);
            const double high = std::clamp(std::max(ya, yb), area.top() - 2.0, area.bottom() + 2.0);
            int& t = top[size_t(c - left)];
            int& u = bottom[size_t(c - left)];
            t = std::min(t, row(low));
            u = std::max(u, row(high));
        }
    }
    qint64 covered = 0;
    for (int c = 0; c < columns; ++c)
        if (top[size_t(c)] <= bottom[size_t(c)])
            covered += bottom[size_t(c)] - top[size_t(c)] + 1;
    if (covered < qint64(DenseRowsPerColumn) * area.width()) {
        QCPGraph::drawLinePlot(painter, lines);
        return;
    }

    m_canvas.addRuns(area, left, std::move(top), std::move(bottom), pen().color().rgba());
}
