#pragma once

#include "data/ChartModel.h"

#include <QList>
#include <QString>

// What the chart editor ("&Chart settings...") edits, as values: the axis titles and ranges,
// the legend, and per series on the chart its colour, line width and visibility. The editor
// fills its controls from one, the user changes them, and applyTo() puts the result on the
// chart once error() has nothing to say.
struct ChartSettings
{
    struct Series
    {
        int index = 0; // the variable's index; the title is the variable's name
        QString title;
        quint8 colorIndex = 0;
        int lineWidth = 1;
        bool visible = true;
    };

    static constexpr int MaxLineWidth = 10;

    QString bottomTitle;
    QString leftTitle;
    ChartModel::AxisRange bottom;
    ChartModel::AxisRange left;
    bool legend = true;
    QList<Series> series;

    static ChartSettings from(const ChartModel& chart);
    // Why these settings cannot be applied, or an empty text.
    QString error(ChartModel::AxisScale scale) const;
    void applyTo(ChartModel& chart) const;
};
