#include "data/ChartModel.h"
#include "data/SeriesTableModel.h"
#include "data/VariableDefinitions.h"
#include "support/WaitFor.h"

#include <QElapsedTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<double> xs(const ChartSeries& s)
{
    std::vector<double> out;
    for (const SeriesPoint& p : s.points())
        out.push_back(p.x);
    return out;
}

std::vector<double> ys(const ChartSeries& s)
{
    std::vector<double> out;
    for (const SeriesPoint& p : s.points())
        out.push_back(p.y);
    return out;
}

class ChartModelTest : public ::testing::Test
{
protected:
    VariableDefinitions defs;
    ChartModel chart{defs};
};

} // namespace

TEST_F(ChartModelTest, PointsStayAscendingAndEqualXGoesAfterTheLastEqualPoint)
{
    struct Case
    {
        const char* what;
        std::vector<double> appendX;
        std::vector<double> wantX;
        std::vector<double> wantY; // Y = order of appending
    };
    const std::vector<Case> cases = {
        {"ascending appends", {0, 1, 2}, {0, 1, 2}, {0, 1, 2}},
        {"smaller X goes before the first greater", {0, 2, 4, 3}, {0, 2, 3, 4}, {0, 1, 3, 2}},
        {"smallest X goes first", {5, 6, 1}, {1, 5, 6}, {2, 0, 1}},
        {"equal X goes after its equals", {1, 2, 2, 1}, {1, 1, 2, 2}, {0, 3, 1, 2}},
    };
    for (const Case& c : cases) {
        ChartSeries& s = chart.series(0);
        s.clear();
        for (size_t k = 0; k < c.appendX.size(); ++k)
            s.append(c.appendX[k], double(k));
        EXPECT_EQ(xs(s), c.wantX) << c.what;
        EXPECT_EQ(ys(s), c.wantY) << c.what;
    }
}

TEST_F(ChartModelTest, BatchUsesPositionsAndRemoveFirstKeepsTheNewest)
{
    ChartSeries& s = chart.series(3);
    s.appendBatch(std::vector<double>{10, 11, 12});
    s.appendBatch(std::vector<double>{13});
    EXPECT_EQ(xs(s), (std::vector<double>{0, 1, 2, 3}));
    EXPECT_EQ(ys(s), (std::vector<double>{10, 11, 12, 13}));

    s.setX(2, 7.5);
    EXPECT_EQ(s.x(2), 7.5);

    s.removeFirst(3);
    ASSERT_EQ(s.count(), 1);
    EXPECT_EQ(s.y(0), 13);
    // A removed prefix does not leak into later inserts.
    s.append(0.5, 99);
    EXPECT_EQ(ys(s), (std::vector<double>{99, 13}));
    s.removeFirst(10);
    EXPECT_EQ(s.count(), 0);
}

TEST_F(ChartModelTest, StorageStaysWithinTwentyFourBytesPerPoint)
{
    ChartSeries& grown = chart.series(0);
    for (int i = 0; i < 100000; ++i) {
        grown.append(i, i);
        if (grown.count() >= 1000) {
            ASSERT_LE(double(grown.allocatedBytes()) / double(grown.count()), 24.0) << i;
        }
    }
    // Scrolling: one point in, the oldest out, for much longer than the window.
    ChartSeries& scrolled = chart.series(1);
    for (int i = 0; i < 200000; ++i) {
        scrolled.append(i, i);
        if (scrolled.count() > 5000)
            scrolled.removeFirst(scrolled.count() - 5000);
    }
    EXPECT_EQ(scrolled.x(0), 195000);
    EXPECT_LE(double(scrolled.allocatedBytes()) / 5000.0, 24.0);
    // A large cut gives the memory back.
    grown.removeFirst(grown.count() - 10);
    EXPECT_LE(grown.allocatedBytes(), 64 * qsizetype(sizeof(SeriesPoint)));
}

TEST_F(ChartModelTest, SeriesOnTheChartKeepTheOrderTheyWerePutOn)
{
    chart.putOnChart(5);
    chart.putOnChart(2);
    chart.putOnChart(5);
    chart.putOnChart(9);
    EXPECT_EQ(chart.seriesOnChart(), (QList<int>{5, 2, 9}));
    chart.takeOffChart(2);
    chart.series(2).append(1, 1);
    chart.putOnChart(2);
    EXPECT_EQ(chart.seriesOnChart(), (QList<int>{5, 9, 2}));
    // Off the chart a series keeps its points.
    EXPECT_EQ(chart.series(2).count(), 1);
    EXPECT_TRUE(chart.series(2).isOnChart());
    EXPECT_FALSE(chart.series(0).isOnChart());
}

TEST_F(ChartModelTest, TitleAndColourAreTheVariablesNameAndColor)
{
    defs.Names[4] = QStringLiteral("TEMP");
    EXPECT_EQ(chart.series(4).title(), QStringLiteral("TEMP"));
    chart.series(4).setTitle(QStringLiteral("PRESS"));
    EXPECT_EQ(defs.Names[4], QStringLiteral("PRESS"));

    EXPECT_EQ(chart.series(10).rgb(), 0x2E8B57u); // default colour of variable 11: Seagreen
    chart.series(10).setColorIndex(17);
    EXPECT_EQ(defs.Colors[10], 17);
    EXPECT_EQ(chart.series(10).rgb(), 0x2E8B57u);
    chart.series(10).setColorIndex(2);
    EXPECT_EQ(chart.series(10).rgb(), 0x8A2BE2u);
}

TEST_F(ChartModelTest, ManyRefreshesCostOneChangedPerFrame)
{
    int changed = 0;
    QObject::connect(&chart, &ChartModel::changed, [&] { ++changed; });
    for (int i = 0; i < 1000; ++i)
        chart.refresh();
    EXPECT_EQ(chart.generation(), 1000u);
    ASSERT_TRUE(waitFor([&] { return changed == 1; }));

    // Refreshing continuously: never more than one changed() per frame.
    changed = 0;
    int refreshes = 0;
    QTimer source;
    source.setTimerType(Qt::PreciseTimer);
    QObject::connect(&source, &QTimer::timeout, [&] {
        chart.refresh();
        ++refreshes;
    });
    QElapsedTimer elapsed;
    elapsed.start();
    source.start(1);
    ASSERT_TRUE(waitFor([&] { return elapsed.elapsed() >= 150; }));
    source.stop();
    const qint64 spent = elapsed.elapsed();
    ASSERT_TRUE(waitFor([&] { return changed > 0; }));
    EXPECT_GT(refreshes, changed);
    EXPECT_LE(changed, spent / ChartModel::FrameMs + 2);

    // A change after a quiet spell still arrives.
    changed = 0;
    chart.setBottomAxisTitle(QStringLiteral("time, ms"));
    EXPECT_TRUE(waitFor([&] { return changed == 1; }));
}

TEST_F(ChartModelTest, ChartStateAndUndoZoomRequest)
{
    int undo = 0;
    QObject::connect(&chart, &ChartModel::undoZoomRequested, [&] { ++undo; });
    chart.undoZoom();
    EXPECT_EQ(undo, 1);

    EXPECT_EQ(chart.leftAxisScale(), ChartModel::AxisScale::Linear);
    chart.setLeftAxisScale(ChartModel::AxisScale::Log10);
    EXPECT_EQ(chart.leftAxisScale(), ChartModel::AxisScale::Log10);
    EXPECT_TRUE(chart.isShown());
    chart.setShown(false);
    EXPECT_FALSE(chart.isShown());
    EXPECT_TRUE(chart.bottomAxisTitle().isEmpty());

    chart.enterBulkMode();
    EXPECT_TRUE(chart.series(7).isBulkMode());
    chart.leaveBulkMode();
    EXPECT_FALSE(chart.series(7).isBulkMode());

    chart.series(1).setLineVisible(false);
    EXPECT_FALSE(chart.series(1).isLineVisible());
    chart.series(1).append(0, 1);
    EXPECT_EQ(chart.series(1).count(), 1);
}

TEST_F(ChartModelTest, TableShowsTheSeriesOnTheChartAfterAFrame)
{
    SeriesTableModel table(chart);
    EXPECT_EQ(table.columnCount(), 0);
    EXPECT_EQ(table.rowCount(), 0);

    defs.Names[1] = QStringLiteral("A");
    defs.Names[6] = QStringLiteral("B");
    chart.putOnChart(6);
    chart.putOnChart(1);
    chart.series(6).appendBatch(std::vector<double>{1.5, 2.5, 3.5});
    chart.series(1).appendBatch(std::vector<double>{-1});
    chart.series(0).appendBatch(std::vector<double>{9, 9, 9, 9, 9}); // off the chart
    chart.refresh();
    ASSERT_TRUE(waitFor([&] { return table.rowCount() == 3; }));

    ASSERT_EQ(table.columnCount(), 2);
    ASSERT_EQ(table.rowCount(), 3);
    EXPECT_EQ(table.headerData(0, Qt::Horizontal).toString(), QStringLiteral("B"));
    EXPECT_EQ(table.headerData(1, Qt::Horizontal).toString(), QStringLiteral("A"));
    EXPECT_EQ(table.data(table.index(2, 0)).toDouble(), 3.5);
    EXPECT_EQ(table.data(table.index(0, 1)).toDouble(), -1.0);
    EXPECT_FALSE(table.data(table.index(1, 1)).isValid());
}
