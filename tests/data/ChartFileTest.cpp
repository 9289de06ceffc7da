#include "data/ChartFile.h"
#include "data/ChartDataExport.h"
#include "data/ChartModel.h"
#include "data/VariableDefinitions.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Qt's JSON reader keeps no negative zero, so -0 reads back as 0 (which compares equal).
bool sameNumber(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

// Splits a CSV/TSV text as a spreadsheet would: CR LF rows, quoted fields with doubled quotes.
QList<QStringList> parseTable(const QByteArray& bytes, QChar separator)
{
    const QString text = QString::fromUtf8(bytes);
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == separator) {
            row.append(field);
            field.clear();
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            row.append(field);
            rows.append(row);
            row.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    EXPECT_TRUE(field.isEmpty() && row.isEmpty()) << "the last row ends with CR LF";
    return rows;
}

class ChartFileTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // Put on in this order: the file keeps the chart's order, not the index order.
        defs.Names[3] = QStringLiteral("TEMP \"in\" \\ \u00B0C\tx\u0001");
        defs.Names[0] = QStringLiteral("SINE, cos");
        defs.Names[7] = QStringLiteral("OFF");
        defs.Colors[3] = 15;
        chart.putOnChart(3);
        chart.putOnChart(0);
        ChartSeries& temp = chart.series(3);
        for (const auto& [x, y] : std::vector<std::pair<double, double>>{
                 {0, 0.1}, {1, -0.0}, {2, 1e300}, {3, NaN}, {4, -25.125}, {5, 1.0 / 3}})
            temp.append(x, y);
        temp.setLineWidth(3);
        ChartSeries& sine = chart.series(0);
        for (int x : {0, 2, 3, 5, 6})
            sine.append(x, x * 100);
        sine.setLineVisible(false);
        chart.series(7).append(0, 1); // off the chart: not in the file
        chart.setBottomAxisTitle(QStringLiteral("samples count"));
        chart.setLeftAxisTitle(QStringLiteral("value"));
        chart.setLeftAxisScale(ChartModel::AxisScale::Log10);
        chart.setLegendVisible(false);
        chart.setAxisRanges({true, 0, 1}, {false, 0.5, 2000});
    }

    QByteArray written(bool withData)
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ChartFile::write(chart, withData, buffer);
        return buffer.data();
    }

    VariableDefinitions defs;
    ChartModel chart{defs};
};

} // namespace

TEST_F(ChartFileTest, TheNativeFileReadsBackWhatTheChartShows)
{
    for (const bool withData : {true, false}) {
        SCOPED_TRACE(withData ? "with data" : "without data");
        QString error;
        const std::optional<ChartFile::Content> read = ChartFile::read(written(withData), &error);
        ASSERT_TRUE(read) << error.toStdString();
        EXPECT_EQ(read->version, ChartFile::Version);
        EXPECT_EQ(read->withData, withData);
        EXPECT_FALSE(read->legend);
        EXPECT_TRUE(read->logarithmic);
        EXPECT_EQ(read->bottom.title, QStringLiteral("samples count"));
        EXPECT_TRUE(read->bottom.automatic);
        // The automatic range is the data's: TEMP's X 0..5, and SINE is hidden.
        EXPECT_EQ(read->bottom.lower, 0.0);
        EXPECT_EQ(read->bottom.upper, 5.0);
        EXPECT_EQ(read->left.title, QStringLiteral("value"));
        EXPECT_FALSE(read->left.automatic);
        EXPECT_EQ(read->left.lower, 0.5);
        EXPECT_EQ(read->left.upper, 2000.0);

        ASSERT_EQ(read->series.size(), 2);
        for (int k = 0; k < 2; ++k) {
            const ChartFile::Series& got = read->series[k];
            const int index = chart.seriesOnChart()[k];
            const ChartSeries& s = chart.series(index);
            EXPECT_EQ(got.variable, index + 1);
            EXPECT_EQ(got.title, s.title());
            EXPECT_EQ(got.rgb, s.rgb());
            EXPECT_EQ(got.colorIndex, s.colorIndex());
            EXPECT_EQ(got.visible, s.isLineVisible());
            EXPECT_EQ(got.lineWidth, s.lineWidth());
            EXPECT_EQ(got.pointCount, s.count());
            ASSERT_EQ(qsizetype(got.points.size()), withData ? s.count() : 0);
            for (size_t j = 0; j < got.points.size(); ++j) {
                EXPECT_TRUE(sameNumber(got.points[j].x, s.x(qsizetype(j))));
                EXPECT_TRUE(sameNumber(got.points[j].y, s.y(qsizetype(j))))
                    << got.points[j].y << " for " << s.y(qsizetype(j));
            }
        }
        EXPECT_EQ(read->series[0].rgb, 0xFF0000u); // colour 15: Red
    }
}

TEST_F(ChartFileTest, ZoomedRangesAreSavedAsShown)
{
    chart.setZoom({true, 1.5, 3.5}, {true, 10, 20});
    const std::optional<ChartFile::Content> read = ChartFile::read(written(false), nullptr);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->bottom.automatic);
    EXPECT_EQ(read->bottom.lower, 1.5);
    EXPECT_EQ(read->left.upper, 20.0);
    chart.undoZoom();
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_EQ(chart.shownLeftRange().lower, 0.5) << "back to the range the editor set";
}

TEST_F(ChartFileTest, SaveWritesTheFileAndReportsWhatFails)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("wave.tvchart"));
    QString error;
    ASSERT_TRUE(ChartFile::save(chart, path, true, &error)) << error.toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(ChartFile::read(f.readAll(), &error));

    EXPECT_FALSE(
        ChartFile::save(chart, dir.filePath(QStringLiteral("no/such/dir/x")), true, &error));
    EXPECT_FALSE(error.isEmpty());

    struct Case
    {
        const char* json;
        const char* why;
    };
    const Case refused[] = {
        {"{ not json", "not JSON"},
        {R"({"format": "other", "version": 1})", "another format"},
        {R"({"format": "taviro-chart", "version": 99})", "a newer version"},
    };
    for (const Case& c : refused) {
        error.clear();
        EXPECT_FALSE(ChartFile::read(QByteArray(c.json), &error)) << c.why;
        EXPECT_FALSE(error.isEmpty()) << c.why;
    }
}

TEST_F(ChartFileTest, CsvAndTsvParseToTheSeriesValuesMergedOnX)
{
    struct Case
    {
        ChartDataExport::Format format;
        QChar separator;
    };
    for (const Case& c :
         {Case{ChartDataExport::Format::Csv, u','}, Case{ChartDataExport::Format::Tsv, u'\t'}}) {
        SCOPED_TRACE(int(c.separator.unicode()));
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        ChartDataExport::write(chart, c.format, buffer);
        const QList<QStringList> rows = parseTable(buffer.data(), c.separator);
        ASSERT_EQ(rows.size(), 1 + 7); // X values 0, 1, 2, 3, 4, 5, 6
        EXPECT_EQ(rows[0], (QStringList{QStringLiteral("X"), chart.series(3).title(),
                                        chart.series(0).title()}));
        // Every point of every series is in its column at its X, nothing else is.
        for (int column = 1; column <= 2; ++column) {
            const ChartSeries& s = chart.series(chart.seriesOnChart()[column - 1]);
            qsizetype next = 0;
            for (qsizetype r = 1; r < rows.size(); ++r) {
                ASSERT_EQ(rows[r].size(), 3);
                const double x = rows[r][0].toDouble();
                const QString cell = rows[r][column];
                if (next < s.count() && s.x(next) == x) {
                    if (std::isnan(s.y(next)))
                        EXPECT_TRUE(cell.isEmpty());
                    else
                        EXPECT_TRUE(sameNumber(cell.toDouble(), s.y(next))) << cell.toStdString();
                    ++next;
                } else {
                    EXPECT_TRUE(cell.isEmpty()) << "row " << r << " column " << column;
                }
            }
            EXPECT_EQ(next, s.count());
        }
    }
}
