#include "gui/StatusWindowView.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>

StatusWindowView::StatusWindowView(QWidget* parent) : LineView(parent)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setBold(true);
    setFont(font);
    setSource(&m_source);
}

void StatusWindowView::addLine(const QString& text)
{
    m_source.store().append(text);
    sourceChanged();
}

void StatusWindowView::appendToLastLine(const QString& text)
{
    LineStore& store = m_source.store();
    if (store.count() == 0)
        store.append(text);
    else
        store.appendTo(store.count() - 1, text);
    sourceChanged();
}

void StatusWindowView::appendToLine(int index, const QString& text)
{
    m_source.store().appendTo(index, text);
    sourceChanged();
}

void StatusWindowView::clear()
{
    m_source.store().clear();
    sourceChanged();
}

void StatusWindowView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    connect(menu.addAction(QStringLiteral("Clear Window")), &QAction::triggered, this, [this] {
        if (onClearWindow)
            onClearWindow();
    });
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("Select All")), &QAction::triggered, this, [this] {
        if (onSelectAll)
            onSelectAll();
    });
    menu.exec(event->globalPos());
}
