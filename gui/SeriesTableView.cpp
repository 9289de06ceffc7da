#include "gui/SeriesTableView.h"

#include "data/ChartModel.h"

#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

SeriesTableView::SeriesTableView(const ChartModel& chart, QWidget* parent)
    : QWidget(parent), m_chart(chart), m_model(chart)
{
    const QString hint = QStringLiteral(
        "Table Window - to see the data user must define variables and collect data");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_view = new QTableView(this);
    m_view->setModel(&m_model);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setToolTip(hint);
    m_view->setAccessibleName(QStringLiteral("Table"));
    m_view->setAccessibleDescription(hint);
    m_view->setProperty("helpContext", 1104);
    setToolTip(hint);
    setProperty("helpContext", 1104);
    // Y values only: no row labels. Rows of one fixed height keep a table of millions of
    // rows as cheap to scroll as a short one.
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // A line of text per row, as a list of numbers reads best; the style's default leaves
    // about twice that.
    m_view->verticalHeader()->setMinimumSectionSize(0);
    m_view->verticalHeader()->setDefaultSectionSize(m_view->fontMetrics().height() + 6);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    layout->addWidget(m_view);
    connect(&chart, &ChartModel::changed, this, [this] { m_view->setVisible(m_chart.isShown()); });
    m_view->setVisible(m_chart.isShown());
}
