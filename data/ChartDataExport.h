#pragma once

#include <QString>

class ChartModel;
class QIODevice;

// The series values as a table for other programs: a header row ("X" and the title of each
// series on the chart, in chart order), then one row per X. The series are merged on X, so
// series that did not get a point in every sample still line up; a series without a point at
// a row's X leaves its cell empty, and so does a NaN. Numbers are written in their shortest
// exact form with a '.', rows end with CR LF, and a title that holds the separator, a quote or
// a line end is quoted.
class ChartDataExport
{
public:
    enum class Format { Csv, Tsv };

    static void write(const ChartModel& chart, Format format, QIODevice& out);
    // Writes through a temporary file renamed over the old one; false with the reason in
    // *error when the file cannot be written.
    static bool save(const ChartModel& chart, Format format, const QString& path, QString* error);
};
