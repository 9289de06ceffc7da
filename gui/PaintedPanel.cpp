#include "gui/PaintedPanel.h"

#include <QPainter>

const QColor PaintedPanel::Lit = QColor(0, 255, 0);
const QColor PaintedPanel::Unlit = QColor(255, 0, 0);

PaintedPanel::PaintedPanel(QWidget* parent) : QLabel(parent) {}

void PaintedPanel::setLit(bool lit)
{
    if (lit == m_lit)
        return;
    m_lit = lit;
    update();
}

void PaintedPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_lit ? Lit : Unlit);
    painter.setPen(Qt::black);
    painter.setFont(font());
    painter.drawText(QPoint(5, 2 + painter.fontMetrics().ascent()), text());
}
