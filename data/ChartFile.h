#pragma once

#include "data/SeriesPoint.h"

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

class ChartModel;
class QIODevice;

// The chart in our own file format: JSON, versioned, holding what the chart shows (the series
// on the chart with their titles, colours, line widths and visibility, the axis titles, scale
// and ranges, the legend) and, when saved with data, every point. docs/chart-file.md
// describes it. Points are streamed out, so a chart of millions of points is written without
// a copy in memory.
class ChartFile
{
public:
    static constexpr int Version = 1;
    static constexpr const char* Format = "taviro-chart";
    static constexpr const char* Suffix = "tvchart";

    struct Axis
    {
        QString title;
        bool automatic = true;
        double lower = 0;
        double upper = 0;
    };
    struct Series
    {
        int variable = 1; // 1 to 16
        QString title;
        quint32 rgb = 0;
        int colorIndex = 0;
        bool visible = true;
        int lineWidth = 1;
        qint64 pointCount = 0;
        std::vector<SeriesPoint> points; // empty unless the file holds the data
    };
    // What a chart file holds, as read back.
    struct Content
    {
        int version = Version;
        bool legend = true;
        bool logarithmic = false;
        bool withData = false;
        Axis bottom;
        Axis left;
        QList<Series> series;
    };

    // Writes the chart to out (UTF-8 JSON).
    static void write(const ChartModel& chart, bool withData, QIODevice& out);
    // Writes the file through a temporary file renamed over the old one; false with the
    // reason in *error when it cannot be written.
    static bool save(const ChartModel& chart, const QString& path, bool withData, QString* error);
    // Reads a chart file; nullopt with the reason in *error when it is not one we can read
    // (not JSON, another format, a newer version).
    static std::optional<Content> read(const QByteArray& json, QString* error);
};
