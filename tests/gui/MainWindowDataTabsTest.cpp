#include "MainWindowFixture.h"

#include "data/TVarType.h"
#include "gui/ChartView.h"
#include "gui/FileTabView.h"
#include "gui/LineSource.h"
#include "gui/LineView.h"
#include "gui/SeriesTableView.h"

#include <QClipboard>
#include <QMenu>
#include <QTabWidget>
#include <QTableView>

namespace {

class MainWindowDataTabsTest : public MainWindowFixture
{
};

TEST_F(MainWindowDataTabsTest, ARepeatFillsTheChartAndTableAndABurstTheFileTab)
{
    startWithOneFastBridge();
    QTabWidget& tabs = window->tabs();
    EXPECT_EQ(tabs.widget(1), &window->chartView());
    EXPECT_EQ(tabs.widget(2), &window->tableView());
    EXPECT_EQ(tabs.widget(3), &window->fileTabView());

    model().variables().declare(0, QStringLiteral("SINE"), vtInt);
    model().variables().Scroll = 0;
    model().chart().putOnChart(0);
    editor().setPlainText(QStringLiteral("R 49 @SINE @1SINE"));
    model().setRepeatCount(40);
    tabs.setCurrentIndex(1);
    action("AcSendRepeat")->trigger();
    ASSERT_TRUE(waitFor([&] { return !model().execution().RepeatRunning; }));
    ASSERT_TRUE(waitFor([&] { return window->chartView().drawnPoints(0) == 40; }));
    // The chart may draw the last points before the frame that brings them to the table.
    EXPECT_TRUE(waitFor([&] { return window->tableView().view()->model()->rowCount() == 40; }))
        << window->tableView().view()->model()->rowCount();
    EXPECT_EQ(window->tableView().view()->model()->headerData(0, Qt::Horizontal).toString(),
              QStringLiteral("SINE"));

    // A right click on the chart offers its commands, "&Chart settings..." first.
    const QMenu* chartMenu = window->findChild<QMenu*>(QStringLiteral("ChartMenu"));
    ASSERT_NE(chartMenu, nullptr);
    ASSERT_EQ(chartMenu->actions().size(), 6);
    EXPECT_EQ(chartMenu->actions().first(), action("ChartActionSettings"));
    EXPECT_TRUE(chartMenu->actions().at(4)->isSeparator());
    EXPECT_EQ(chartMenu->actions().last(), action("AcClearWF"));

    // Copy waveform, on the Chart tab: the picture on the clipboard.
    QApplication::clipboard()->clear();
    ASSERT_TRUE(action("ChartActionCopy")->isEnabled());
    action("ChartActionCopy")->trigger();
    EXPECT_FALSE(QApplication::clipboard()->image().isNull());

    // To file, then Stop: the File tab lists the records.
    model().burst().setFilePath(dir.filePath(QStringLiteral("burst.dat")));
    action("AcSendSpeed")->trigger();
    ASSERT_TRUE(waitFor([&] { return model().burst().recordsReceived() >= 30; }));
    action("AcStop")->trigger();
    const LineSource* lines = window->fileTabView().view()->source();
    ASSERT_GE(lines->lineCount(), 30);
    EXPECT_EQ(lines->lineCount(), model().burst().records());
    EXPECT_EQ(lines->line(0).size(), 9); // "01 xx yy "
    EXPECT_TRUE(waitFor([&] { return window->chartView().drawnPoints(0) > 0; }))
        << "the chart shows the capture";
}

} // namespace
