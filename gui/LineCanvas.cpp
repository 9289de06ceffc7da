#include "gui/LineCanvas.h"

LineCanvas::LineCanvas(QCustomPlot* plot) : QCPLayerable(plot) {}

QImage& LineCanvas::image(const QRect& area)
{
    if (!m_inUse) {
        if (m_image.size() != area.size())
            m_image = QImage(area.size(), QImage::Format_ARGB32_Premultiplied);
        m_image.fill(Qt::transparent);
        m_area = area;
        m_inUse = true;
    }
    return m_image;
}

void LineCanvas::applyDefaultAntialiasingHint(QCPPainter* painter) const
{
    painter->setAntialiasing(false);
}

void LineCanvas::draw(QCPPainter* painter)
{
    if (!m_inUse)
        return;
    painter->drawImage(m_area.topLeft(), m_image);
    m_inUse = false;
}
