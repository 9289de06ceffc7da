#pragma once

#include "data/SeriesTableModel.h"

#include <QWidget>

class ChartModel;
class QTableView;

// The "Table" tab: a read-only QTableView over the table model (one resizable column per
// series on the chart, Y values only). Hidden, like the chart, while a burst runs.
class SeriesTableView : public QWidget
{
    Q_OBJECT

public:
    explicit SeriesTableView(const ChartModel& chart, QWidget* parent = nullptr);

    QTableView* view() const { return m_view; }
    SeriesTableModel& model() { return m_model; }

private:
    const ChartModel& m_chart;
    SeriesTableModel m_model;
    QTableView* m_view = nullptr;
};
