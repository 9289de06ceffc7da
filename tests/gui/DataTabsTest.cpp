#include "gui/FileTabView.h"
#include "gui/LineSource.h"
#include "gui/LineView.h"
#include "gui/SeriesTableView.h"

#include "base/HexText.h"
#include "data/ChartModel.h"
#include "data/VariableDefinitions.h"
#include "script/BurstCapture.h"
#include "script/FileTabLines.h"
#include "support/ModelFixture.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableView>

#include <gtest/gtest.h>

namespace {

class TableTabTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        defs.Names[1] = QStringLiteral("A");
        defs.Names[4] = QStringLiteral("B");
        table.resize(400, 300);
        table.show();
    }
    bool frame()
    {
        bool seen = false;
        const auto c = QObject::connect(&chart, &ChartModel::changed, [&] { seen = true; });
        chart.refresh();
        const bool ok = waitFor([&] { return seen; });
        QObject::disconnect(c);
        return ok;
    }
    QStringList headers() const
    {
        QStringList h;
        const QAbstractItemModel* m = table.view()->model();
        for (int c = 0; c < m->columnCount(); ++c)
            h.append(m->headerData(c, Qt::Horizontal).toString());
        return h;
    }

    VariableDefinitions defs;
    ChartModel chart{defs};
    SeriesTableView table{chart};
};

} // namespace

TEST_F(TableTabTest, ColumnsFollowTheChartAndRowsFollowAppendsAndTrimming)
{
    const QAbstractItemModel* m = table.view()->model();
    chart.putOnChart(4);
    chart.putOnChart(1);
    ASSERT_TRUE(frame());
    EXPECT_EQ(headers(), (QStringList{QStringLiteral("B"), QStringLiteral("A")}));
    EXPECT_EQ(table.view()->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_FALSE(table.view()->verticalHeader()->isVisible()) << "Y values only";

    for (int x = 0; x < 30; ++x) {
        chart.series(4).append(x, x);
        chart.series(1).append(x, -x);
    }
    ASSERT_TRUE(frame());
    EXPECT_EQ(m->rowCount(), 30);
    // The user looks at the last rows; Scroll trimming keeps them in view, moved up.
    table.view()->scrollToBottom();
    const int firstShown = table.view()->rowAt(0);
    for (int x = 30; x < 35; ++x) {
        chart.series(4).append(x, x);
        chart.series(1).append(x, -x);
    }
    chart.series(4).removeFirst(5);
    chart.series(1).removeFirst(5);
    ASSERT_TRUE(frame());
    EXPECT_EQ(m->rowCount(), 30);
    EXPECT_EQ(m->data(m->index(0, 0)).toDouble(), 5.0);
    EXPECT_EQ(m->data(m->index(29, 1)).toDouble(), -34.0);
    EXPECT_EQ(table.view()->rowAt(0), firstShown) << "no reset sent the view to the top";

    chart.takeOffChart(4);
    ASSERT_TRUE(frame());
    EXPECT_EQ(headers(), QStringList{QStringLiteral("A")});

    chart.setShown(false);
    ASSERT_TRUE(waitFor([&] { return !table.view()->isVisible(); }));
    chart.setShown(true);
    ASSERT_TRUE(waitFor([&] { return table.view()->isVisible(); }));
    EXPECT_EQ(table.view()->toolTip(),
              QStringLiteral(
                  "Table Window - to see the data user must define variables and collect data"));
}

namespace {

class FileTabTest : public ModelFixture
{
protected:
    void SetUp() override
    {
        startWithOneFastBridge();
        if (HasFatalFailure())
            return;
        burst().setFilePath(dir.filePath(QStringLiteral("capture.dat")));
        tab = std::make_unique<FileTabView>(burst());
        tab->resize(500, 400);
        tab->show();
    }
    void TearDown() override
    {
        tab.reset();
        ModelFixture::TearDown();
    }
    BurstCapture& burst() { return model->burst(); }

    // A short capture of "R 48 X X X", stopped.
    bool capture(qint64 records)
    {
        editor.setLines({QStringLiteral("R 48 X X X")});
        model->AcSendSpeedExecute();
        if (!waitFor([&] { return burst().recordsReceived() >= records; }))
            return false;
        model->AcStopExecute();
        return true;
    }

    std::unique_ptr<FileTabView> tab;
};

} // namespace

TEST_F(FileTabTest, TheLinesAreTheCapturesRecordsInHex)
{
    EXPECT_EQ(tab->fileLabel()->text(), QStringLiteral("capture.dat"));
    ASSERT_TRUE(capture(40));
    QFile f(burst().filePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    const LineSource* lines = tab->view()->source();
    ASSERT_EQ(lines->lineCount(), bytes.size() / 4);
    for (qsizetype r = 0; r < lines->lineCount(); ++r) {
        QString want;
        for (int b = 0; b < 4; ++b)
            want += HexText()[quint8(bytes[r * 4 + b])];
        ASSERT_EQ(lines->line(r), want) << r;
    }
    EXPECT_EQ(lines->longestLine(), 12);
    EXPECT_TRUE(tab->view()->font().bold());
    EXPECT_TRUE(QFontInfo(tab->view()->font()).fixedPitch());
    EXPECT_EQ(tab->view()->property("helpKeyword").toString(), QStringLiteral("1104"));

    // Select All, then Copy: every line.
    tab->view()->selectAll();
    tab->view()->copy();
    const QStringList copied = QApplication::clipboard()->text().split(QLatin1Char('\n'));
    ASSERT_EQ(copied.size(), lines->lineCount());
    EXPECT_EQ(copied.last(), lines->line(lines->lineCount() - 1));

    // "Clear" empties the view.
    tab->clearButton()->click();
    EXPECT_EQ(lines->lineCount(), 0);
}

TEST_F(FileTabTest, ContextMenuFileNameAndHidingWhileABurstRuns)
{
    const QList<QAction*> actions = tab->contextMenu()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Clear Window"));
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), QStringLiteral("Select All"));

    burst().fileTab().appendRecords(QByteArray("\x01\x02\x03\x04", 4), 2);
    actions[2]->trigger();
    EXPECT_EQ(tab->view()->selectedText(), QStringLiteral("01 02 \n03 04 "));
    actions[0]->trigger();
    EXPECT_EQ(burst().fileTab().lineCount(), 0);

    ui.fileReplies = {dir.filePath(QStringLiteral("other.dat"))};
    tab->fileNameButton()->click();
    ASSERT_EQ(ui.fileRequests.size(), 1);
    EXPECT_EQ(tab->fileLabel()->text(), QStringLiteral("other.dat"));

    editor.setLines({QStringLiteral("R 48 X")});
    model->AcSendSpeedExecute();
    EXPECT_FALSE(tab->view()->isVisible());
    ASSERT_TRUE(waitFor([&] { return burst().recordsReceived() > 0; }));
    model->AcStopExecute();
    EXPECT_TRUE(tab->view()->isVisible());
    EXPECT_GT(burst().fileTab().lineCount(), 0);
}
