#include "data/SeriesTableModel.h"

#include "data/ChartModel.h"

#include <limits>

SeriesTableModel::SeriesTableModel(const ChartModel& chart, QObject* parent)
    : QAbstractTableModel(parent), m_chart(chart)
{
    // The series change in place between frames, so every frame is a new table.
    connect(&chart, &ChartModel::changed, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int SeriesTableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    qsizetype rows = 0;
    for (int index : m_chart.seriesOnChart())
        rows = qMax(rows, m_chart.series(index).count());
    return int(qMin<qsizetype>(rows, std::numeric_limits<int>::max()));
}

int SeriesTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_chart.seriesOnChartCount();
}

QVariant SeriesTableModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.column() >= columnCount())
        return {};
    const ChartSeries& s = m_chart.series(m_chart.seriesOnChart()[index.column()]);
    if (index.row() >= s.count())
        return {};
    return s.y(index.row());
}

QVariant SeriesTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 &&
        section < columnCount())
        return m_chart.series(m_chart.seriesOnChart()[section]).title();
    return QAbstractTableModel::headerData(section, orientation, role);
}
