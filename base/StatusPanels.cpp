#include "base/StatusPanels.h"

void StatusPanels::setText(int index, const QString& text)
{
    QString& current = m_texts[size_t(index)];
    if (current == text)
        return;
    current = text;
    Q_EMIT changed();
}
