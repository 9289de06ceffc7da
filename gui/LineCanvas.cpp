#include "gui/LineCanvas.h"

#include <algorithm>

LineCanvas::LineCanvas(QCustomPlot* plot) : QCPLayerable(plot) {}

void LineCanvas::addRuns(const QRect& area, int left, std::vector<int> top, std::vector<int> bottom,
                         QRgb color)
{
    m_area = area;
    m_runs.push_back({left, std::move(top), std::move(bottom), color});
}

void LineCanvas::applyDefaultAntialiasingHint(QCPPainter* painter) const
{
    painter->setAntialiasing(false);
}

void LineCanvas::draw(QCPPainter* painter)
{
    if (m_runs.empty())
        return;
    if (m_image.size() != m_area.size())
        m_image = QImage(m_area.size(), QImage::Format_ARGB32_Premultiplied);
    m_image.fill(Qt::transparent);
    const int width = m_image.width();
    const int height = m_image.height();
    const qsizetype stride = m_image.bytesPerLine() / qsizetype(sizeof(QRgb));
    auto* bits = reinterpret_cast<QRgb*>(m_image.bits());
    // Per column, rows already set by a later graph (one interval; rows outside it may be set
    // too, which only costs a second write).
    std::vector<int> coveredTop(size_t(width), 1);
    std::vector<int> coveredBottom(size_t(width), 0);
    const auto fill = [&](int x, int from, int to, QRgb color) {
        QRgb* p = bits + from * stride + x;
        for (int y = from; y <= to; ++y, p += stride)
            *p = color;
    };
    for (auto runs = m_runs.rbegin(); runs != m_runs.rend(); ++runs) {
        for (size_t c = 0; c < runs->top.size(); ++c) {
            const int x = runs->left + int(c) - m_area.left();
            if (x < 0 || x >= width)
                continue;
            const int t = std::max(runs->top[c] - m_area.top(), 0);
            const int u = std::min(runs->bottom[c] - m_area.top(), height - 1);
            if (t > u)
                continue;
            int& ct = coveredTop[size_t(x)];
            int& cu = coveredBottom[size_t(x)];
            if (ct > cu) {
                fill(x, t, u, runs->color);
                ct = t;
                cu = u;
            } else if (t <= cu + 1 && u >= ct - 1) {
                // Overlapping or touching: only the rows outside the covered ones.
                if (t < ct)
                    fill(x, t, ct - 1, runs->color);
                if (u > cu)
                    fill(x, cu + 1, u, runs->color);
                ct = std::min(ct, t);
                cu = std::max(cu, u);
            } else {
                fill(x, t, u, runs->color);
            }
        }
    }
    painter->drawImage(m_area.topLeft(), m_image);
    m_runs.clear();
}
