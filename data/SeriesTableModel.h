#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

#include <array>

class ChartModel;

// The "Table" tab's data: one column per series on the chart (in chart order, headed by the
// series title), one row per point position, Y values only. It follows the chart's changed()
// and is read-only. Between two frames it tells its views what happened (columns put on or
// taken off, rows trimmed from the front, rows appended) instead of resetting, so a view keeps
// its scroll position and does work in proportion to the change, not to the table.
class SeriesTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit SeriesTableModel(const ChartModel& chart, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    // What a series looked like at the last frame.
    struct Seen
    {
        qint64 removedFront = 0;
        quint64 clearCount = 0;
        qsizetype count = 0;
    };

    void follow();
    void followColumns();
    int liveRowCount() const;

    const ChartModel& m_chart;
    // The state the views know: the columns and the row count as last announced.
    QList<int> m_columns;
    QStringList m_titles;
    int m_rows = 0;
    std::array<Seen, 16> m_seen{};
};
