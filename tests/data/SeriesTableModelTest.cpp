#include "data/SeriesTableModel.h"
#include "data/ChartModel.h"
#include "data/VariableDefinitions.h"
#include "support/WaitFor.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include <vector>

namespace {

// Records what the table tells its views, as (first, last) pairs per kind of change.
struct TableLog
{
    explicit TableLog(SeriesTableModel& table)
    {
        QObject::connect(&table, &QAbstractItemModel::rowsInserted,
                         [this](const QModelIndex&, int f, int l) {
                             inserted.push_back({f, l});
                         });
        QObject::connect(&table, &QAbstractItemModel::rowsRemoved,
                         [this](const QModelIndex&, int f, int l) {
                             removed.push_back({f, l});
                         });
        QObject::connect(&table, &QAbstractItemModel::columnsInserted,
                         [this](const QModelIndex&, int f, int l) {
                             columnsIn.push_back({f, l});
                         });
        QObject::connect(&table, &QAbstractItemModel::columnsRemoved,
                         [this](const QModelIndex&, int f, int l) {
                             columnsOut.push_back({f, l});
                         });
        QObject::connect(&table, &QAbstractItemModel::modelReset, [this] { ++resets; });
    }
    void clear()
    {
        inserted.clear();
        removed.clear();
        columnsIn.clear();
        columnsOut.clear();
        resets = 0;
    }

    using Ranges = std::vector<std::pair<int, int>>;
    Ranges inserted, removed, columnsIn, columnsOut;
    int resets = 0;
};

class SeriesTableModelTest : public ::testing::Test
{
protected:
    // Refreshes the chart and waits for the table's frame.
    bool frame()
    {
        int seen = 0;
        const auto c = QObject::connect(&chart, &ChartModel::changed, [&] { ++seen; });
        chart.refresh();
        const bool ok = waitFor([&] { return seen > 0; });
        QObject::disconnect(c);
        return ok;
    }
    // One sample as TakeSample appends it, with Scroll trimming.
    void sample(double x, int scroll)
    {
        for (int index : chart.seriesOnChart()) {
            ChartSeries& s = chart.series(index);
            s.append(x, x * 10 + index);
            if (scroll > 0 && s.count() > scroll)
                s.removeFirst(s.count() - scroll);
        }
    }
    double cell(int row, int column) const
    {
        return table.data(table.index(row, column)).toDouble();
    }

    VariableDefinitions defs;
    ChartModel chart{defs};
    SeriesTableModel table{chart};
    TableLog log{table};
};

} // namespace

TEST_F(SeriesTableModelTest, ColumnsFollowPutOnAndTakeOff)
{
    defs.Names[2] = QStringLiteral("TEMP");
    defs.Names[5] = QStringLiteral("SINE");
    defs.Names[9] = QStringLiteral("STAT");
    chart.putOnChart(2);
    chart.putOnChart(5);
    chart.putOnChart(9);
    ASSERT_TRUE(frame());
    EXPECT_EQ(log.columnsIn, (TableLog::Ranges{{0, 0}, {1, 1}, {2, 2}}));
    ASSERT_EQ(table.columnCount(), 3);

    chart.takeOffChart(5);
    chart.putOnChart(0); // joins after the others
    defs.Names[0] = QStringLiteral("NEW");
    ASSERT_TRUE(frame());
    EXPECT_EQ(log.columnsOut, (TableLog::Ranges{{1, 1}}));
    EXPECT_EQ(log.columnsIn.back(), std::make_pair(2, 2));
    QStringList headers;
    for (int c = 0; c < table.columnCount(); ++c)
        headers.append(table.headerData(c, Qt::Horizontal).toString());
    EXPECT_EQ(headers,
              (QStringList{QStringLiteral("TEMP"), QStringLiteral("STAT"), QStringLiteral("NEW")}));

    QSignalSpy renamed(&table, &QAbstractItemModel::headerDataChanged);
    chart.series(9).setTitle(QStringLiteral("STATUS"));
    ASSERT_TRUE(renamed.wait(1000));
    EXPECT_EQ(table.headerData(1, Qt::Horizontal).toString(), QStringLiteral("STATUS"));
    EXPECT_EQ(log.resets, 0);
}

TEST_F(SeriesTableModelTest, RowsFollowAppendsAndScrollTrimmingWithoutAReset)
{
    chart.putOnChart(3);
    chart.putOnChart(1);
    ASSERT_TRUE(frame());
    log.clear();

    for (int x = 0; x < 5; ++x)
        sample(x, 8);
    ASSERT_TRUE(frame());
    EXPECT_EQ(log.inserted, (TableLog::Ranges{{0, 4}}));
    EXPECT_TRUE(log.removed.empty());

    // Six more samples: Scroll keeps the newest eight, so three rows leave at the front and
    // six arrive at the end.
    log.clear();
    for (int x = 5; x < 11; ++x)
        sample(x, 8);
    ASSERT_TRUE(frame());
    EXPECT_EQ(log.removed, (TableLog::Ranges{{0, 2}}));
    EXPECT_EQ(log.inserted, (TableLog::Ranges{{2, 7}}));
    ASSERT_EQ(table.rowCount(), 8);
    EXPECT_EQ(cell(0, 0), 33.0); // series 3 at X = 3
    EXPECT_EQ(cell(7, 1), 101.0);

    // A series that is longer than the others drives the rows; the shorter one shows empty
    // cells below its last point.
    log.clear();
    chart.series(1).removeFirst(6);
    ASSERT_TRUE(frame());
    EXPECT_TRUE(log.removed.empty()) << "series 3 still fills eight rows";
    EXPECT_EQ(table.rowCount(), 8);
    EXPECT_EQ(cell(1, 1), 101.0);
    EXPECT_FALSE(table.data(table.index(2, 1)).isValid());

    // Clear waveform: every row leaves.
    log.clear();
    chart.clearAll();
    ASSERT_TRUE(frame());
    EXPECT_EQ(log.removed, (TableLog::Ranges{{0, 7}}));
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(log.resets, 0);
}

TEST_F(SeriesTableModelTest, ALateSampleInsertedAmongTheRowsShowsInPlace)
{
    chart.putOnChart(0);
    for (int x : {0, 2, 4})
        chart.series(0).append(x, x);
    ASSERT_TRUE(frame());
    QSignalSpy changed(&table, &QAbstractItemModel::dataChanged);
    chart.series(0).append(1, 1);
    ASSERT_TRUE(frame());
    EXPECT_EQ(table.rowCount(), 4);
    EXPECT_EQ(cell(1, 0), 1.0);
    EXPECT_EQ(cell(3, 0), 4.0);
    EXPECT_FALSE(changed.isEmpty()) << "the rows that stayed were announced as changed";
}
