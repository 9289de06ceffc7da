#pragma once

#include <QAbstractTableModel>

class ChartModel;

// The "Table" tab's data: one column per series on the chart (in chart order, headed by the
// series title), one row per point position, Y values only. It follows the chart's changed()
// and is read-only.
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
    const ChartModel& m_chart;
};
