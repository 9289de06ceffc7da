#include "gui/MainStatusBar.h"

#include "gui/PaintedPanel.h"

#include <QMouseEvent>

MainStatusBar::MainStatusBar(QWidget* parent) : QStatusBar(parent)
{
    m_connection = new PaintedPanel(this);
    m_power = new PaintedPanel(this);
    for (int i = 0; i < PanelCount; ++i) {
        QLabel* label = i == 3 ? m_connection : i == 4 ? m_power : new QLabel(this);
        label->setFixedWidth(Widths[size_t(i)]);
        label->setObjectName(QStringLiteral("Panel%1").arg(i));
        m_panels[size_t(i)] = label;
        addWidget(label);
    }
    m_panels[0]->setAlignment(Qt::AlignCenter);
}

void MainStatusBar::setPanelText(int index, const QString& text)
{
    QLabel* label = m_panels[size_t(index)];
    if (label->text() == text)
        return;
    label->setText(text);
    // The widths suit the texts in a small font; a panel widens rather than cut its text.
    const int needed = label->fontMetrics().horizontalAdvance(text) + 2 * TextMargin;
    if (needed > label->width())
        label->setFixedWidth(needed);
}

void MainStatusBar::mouseReleaseEvent(QMouseEvent* event)
{
    QStatusBar::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        Q_EMIT clicked();
}
