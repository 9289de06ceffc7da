#include "data/SeriesTableModel.h"

#include "data/ChartModel.h"

#include <algorithm>
#include <limits>

SeriesTableModel::SeriesTableModel(const ChartModel& chart, QObject* parent)
    : QAbstractTableModel(parent), m_chart(chart)
{
    connect(&chart, &ChartModel::changed, this, &SeriesTableModel::follow);
    follow();
}

int SeriesTableModel::liveRowCount() const
{
    qsizetype rows = 0;
    for (int index : m_columns)
        rows = std::max(rows, m_chart.series(index).count());
    return int(std::min<qsizetype>(rows, std::numeric_limits<int>::max()));
}

void SeriesTableModel::followColumns()
{
    const QList<int>& now = m_chart.seriesOnChart();
    // Series only leave from anywhere and join at the end, so the ones that stay keep their
    // order: remove the ones gone, then insert the new ones where they now stand.
    for (int c = int(m_columns.size()) - 1; c >= 0; --c) {
        if (now.contains(m_columns[c]))
            continue;
        beginRemoveColumns({}, c, c);
        m_columns.removeAt(c);
        m_titles.removeAt(c);
        endRemoveColumns();
    }
    for (int c = 0; c < int(now.size()); ++c) {
        if (c < m_columns.size() && m_columns[c] == now[c])
            continue;
        const int index = now[c];
        if (m_columns.contains(index)) {
            // Not a put-on order (only a caller that rearranges the chart gets here).
            beginResetModel();
            m_columns = now;
            m_titles.clear();
            for (int i : now)
                m_titles.append(m_chart.series(i).title());
            m_rows = liveRowCount();
            endResetModel();
            return;
        }
        beginInsertColumns({}, c, c);
        m_columns.insert(c, index);
        m_titles.insert(c, m_chart.series(index).title());
        m_seen[size_t(index)] = {m_chart.series(index).removedFront(),
                                 m_chart.series(index).clearCount(), m_chart.series(index).count()};
        endInsertColumns();
    }
    for (int c = 0; c < int(m_columns.size()); ++c) {
        const QString title = m_chart.series(m_columns[c]).title();
        if (title != m_titles[c]) {
            m_titles[c] = title;
            Q_EMIT headerDataChanged(Qt::Horizontal, c, c);
        }
    }
}

void SeriesTableModel::follow()
{
    followColumns();

    // Rows leave at the front when the series that made the rows (the longest ones) all lost
    // points there; a series trimmed alone only shows other values in its column. A cleared
    // series starts the table afresh.
    bool cleared = false;
    qsizetype longest = 0;
    for (int index : m_columns)
        longest = std::max(longest, m_seen[size_t(index)].count);
    qint64 trimmed = -1;
    for (int index : m_columns) {
        const ChartSeries& s = m_chart.series(index);
        Seen& seen = m_seen[size_t(index)];
        if (s.clearCount() != seen.clearCount)
            cleared = true;
        else if (seen.count == longest && longest > 0)
            trimmed = trimmed < 0 ? s.removedFront() - seen.removedFront
                                  : std::min(trimmed, s.removedFront() - seen.removedFront);
        seen = {s.removedFront(), s.clearCount(), s.count()};
    }
    const int drop = cleared ? m_rows : int(std::clamp<qint64>(trimmed, 0, m_rows));
    if (drop > 0) {
        beginRemoveRows({}, 0, drop - 1);
        m_rows -= drop;
        endRemoveRows();
    }
    const int kept = m_rows;
    const int rows = liveRowCount();
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_rows = rows;
        endRemoveRows();
    }
    // The rows that stayed show other points now (they moved up, or a late point was
    // inserted among them); views repaint what they show of them.
    const int changed = std::min(kept, m_rows);
    if (changed > 0 && !m_columns.isEmpty())
        Q_EMIT dataChanged(index(0, 0), index(changed - 1, int(m_columns.size()) - 1),
                           {Qt::DisplayRole});
}

int SeriesTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int SeriesTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant SeriesTableModel::data(const QModelIndex& index, int role) const
{
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole || !index.isValid() || index.column() >= m_columns.size() ||
        index.row() >= m_rows)
        return {};
    const ChartSeries& s = m_chart.series(m_columns[index.column()]);
    if (index.row() >= s.count())
        return {};
    return s.y(index.row());
}

QVariant SeriesTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 &&
        section < m_columns.size())
        return m_titles[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}
