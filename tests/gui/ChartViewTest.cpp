#include "gui/ChartView.h"
#include "gui/LineCanvas.h"
#include "gui/SeriesGraph.h"

#include "data/ChartModel.h"
#include "data/VariableDefinitions.h"
#include "gui/QCustomPlotInclude.h"
#include "support/WaitFor.h"

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QRadioButton>
#include <QSignalSpy>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class ChartViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        defs.Names[0] = QStringLiteral("SINE");
        defs.Names[3] = QStringLiteral("TEMP");
        chart.putOnChart(3);
        chart.putOnChart(0);
        view.resize(800, 500);
        view.show();
    }

    // Fills both series: SINE a sine wave of 1000 points, TEMP a ramp from 20.
    void fill(int points = 1000)
    {
        for (int x = 0; x < points; ++x) {
            chart.series(0).append(x, 100 * std::sin(x * 2 * M_PI / 100));
            chart.series(3).append(x, 20 + x * 0.01);
        }
    }

    // Refreshes the chart and waits until the plot has been drawn after the view took in the
    // model's changes.
    bool repainted()
    {
        bool changed = false;
        bool drawn = false;
        const auto c1 = QObject::connect(&chart, &ChartModel::changed, [&] { changed = true; });
        const auto c2 = QObject::connect(view.plot(), &QCustomPlot::afterReplot,
                                         [&] { drawn = drawn || changed; });
        chart.refresh();
        const bool ok = waitFor([&] { return drawn; });
        QObject::disconnect(c1);
        QObject::disconnect(c2);
        return ok;
    }

    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent e(type, at, view.plot()->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(view.plot(), &e);
    }

    QCPRange xRange() const { return view.plot()->xAxis->range(); }
    QCPRange yRange() const { return view.plot()->yAxis->range(); }
    QRect plotArea() const { return view.plot()->axisRect()->rect(); }

    VariableDefinitions defs;
    ChartModel chart{defs};
    ChartView view{chart};
};

} // namespace

TEST_F(ChartViewTest, GraphsFollowTheChartsOrderTitlesColoursAndAxes)
{
    fill();
    defs.Colors[0] = 15; // Red
    chart.setBottomAxisTitle(QStringLiteral("samples count"));
    ASSERT_TRUE(repainted());
    QCustomPlot* plot = view.plot();
    ASSERT_EQ(plot->graphCount(), 2);
    EXPECT_EQ(plot->graph(0)->name(), QStringLiteral("TEMP"));
    EXPECT_EQ(plot->graph(1)->name(), QStringLiteral("SINE"));
    EXPECT_EQ(plot->graph(1)->pen().color(), QColor(Qt::red));
    EXPECT_EQ(plot->xAxis->label(), QStringLiteral("samples count"));
    EXPECT_EQ(plot->yAxis->tickLengthOut(), 14);
    EXPECT_EQ(plot->yAxis->subTickLengthOut(), 6);
    EXPECT_FALSE(plot->legend->visible()) << "the legend with check boxes is ours";

    // Automatic ranges: X from the first to the last point, Y with 10 pixels to spare.
    EXPECT_EQ(xRange().lower, 0.0);
    EXPECT_EQ(xRange().upper, 999.0);
    const double top = plot->yAxis->coordToPixel(100.0);
    const double bottom = plot->yAxis->coordToPixel(-100.0);
    EXPECT_NEAR(top - plotArea().top(), 10.0, 1.5);
    EXPECT_NEAR(plotArea().bottom() - bottom, 10.0, 1.5);

    // A series taken off the chart leaves it, one put on joins at the end.
    chart.takeOffChart(3);
    chart.putOnChart(5);
    ASSERT_TRUE(repainted());
    ASSERT_EQ(plot->graphCount(), 2);
    EXPECT_EQ(plot->graph(0)->name(), QStringLiteral("SINE"));
    EXPECT_EQ(view.legendCheckBox(3), nullptr);
    EXPECT_NE(view.legendCheckBox(5), nullptr);
}

TEST_F(ChartViewTest, TheLegendCheckBoxHidesOnlyTheLine)
{
    fill();
    ASSERT_TRUE(repainted());
    QCheckBox* box = view.legendCheckBox(0);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("SINE"));
    EXPECT_TRUE(box->isChecked());
    EXPECT_GT(view.drawnPoints(0), 0);

    box->click();
    ASSERT_TRUE(repainted());
    EXPECT_FALSE(chart.series(0).isLineVisible());
    EXPECT_TRUE(chart.series(0).isOnChart()) << "the variable stays on the chart";
    EXPECT_FALSE(view.plot()->graph(1)->visible());
    EXPECT_EQ(view.drawnPoints(0), 0);
    EXPECT_GT(view.drawnPoints(3), 0);
    // The hidden line no longer sets the ranges: TEMP alone, 20 to 29.99.
    EXPECT_GT(yRange().lower, 19.0);

    chart.series(0).append(1000, 1);
    EXPECT_EQ(chart.series(0).count(), 1001) << "points keep coming";
    box->click();
    ASSERT_TRUE(repainted());
    EXPECT_TRUE(view.plot()->graph(1)->visible());
    EXPECT_GT(view.drawnPoints(0), 0);
}

TEST_F(ChartViewTest, ScaleSwitchesTheLeftAxisBetweenLinearAndLog10)
{
    fill();
    ASSERT_TRUE(repainted());
    QRadioButton* log10 = view.log10Button();
    QRadioButton* linear = view.linearButton();
    EXPECT_TRUE(linear->isChecked());
    EXPECT_FALSE(log10->isChecked());
    EXPECT_LT(log10->y(), linear->y()) << "Log10 above Linear";
    const QPoint corner = linear->mapTo(&view, QPoint(linear->width(), linear->height()));
    EXPECT_GT(corner.x(), view.width() * 3 / 4) << "at the bottom right";
    EXPECT_GT(corner.y(), view.height() * 3 / 4);

    log10->click();
    EXPECT_EQ(chart.leftAxisScale(), ChartModel::AxisScale::Log10);
    ASSERT_TRUE(repainted());
    EXPECT_EQ(view.plot()->yAxis->scaleType(), QCPAxis::stLogarithmic);
    // The sine's negative half cannot be shown: the range starts at its lowest positive value.
    EXPECT_GT(yRange().lower, 0.0);
    EXPECT_LT(yRange().lower, 1.0);
    EXPECT_GT(yRange().upper, 100.0);

    linear->click();
    ASSERT_TRUE(repainted());
    EXPECT_EQ(view.plot()->yAxis->scaleType(), QCPAxis::stLinear);
    chart.setLeftAxisScale(ChartModel::AxisScale::Log10);
    ASSERT_TRUE(repainted());
    EXPECT_TRUE(log10->isChecked()) << "the buttons follow the model";
}

TEST_F(ChartViewTest, ZoomPanAndUndoZoom)
{
    fill();
    ASSERT_TRUE(repainted());
    const QRect area = plotArea();
    const QCPRange fullX = xRange();
    const QCPRange fullY = yRange();

    // A rubber band over the middle of the plot.
    const QPoint from = area.center() - QPoint(100, 50);
    const QPoint to = area.center() + QPoint(100, 50);
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(repainted());
    EXPECT_TRUE(chart.isZoomed());
    EXPECT_LT(xRange().size(), fullX.size() / 2);
    EXPECT_LT(yRange().size(), fullY.size() / 2);

    // New points do not undo the zoom.
    chart.series(0).append(2000, 500);
    ASSERT_TRUE(repainted());
    EXPECT_LT(xRange().size(), fullX.size() / 2);

    // Dragging with the right button moves the view with the pointer; only a right click
    // that does not drag asks for the chart's commands.
    QSignalSpy menu(&view, &ChartView::menuRequested);
    const QCPRange beforePan = xRange();
    const double shift = view.plot()->xAxis->pixelToCoord(area.center().x() + 50) -
                         view.plot()->xAxis->pixelToCoord(area.center().x());
    mouse(QEvent::MouseButtonPress, area.center(), Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseMove, area.center() + QPoint(50, 0), Qt::NoButton, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, area.center() + QPoint(50, 0), Qt::RightButton, Qt::NoButton);
    EXPECT_NEAR(xRange().lower, beforePan.lower - shift, 1e-6 * fullX.size());
    EXPECT_EQ(chart.shownBottomRange().lower, xRange().lower);
    EXPECT_TRUE(menu.isEmpty());
    mouse(QEvent::MouseButtonPress, area.center(), Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, area.center(), Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(menu.size(), 1);

    // The wheel zooms around the pointer.
    const QCPRange beforeWheel = xRange();
    QWheelEvent wheel(area.center(), view.plot()->mapToGlobal(area.center()), QPoint(),
                      QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view.plot(), &wheel);
    EXPECT_LT(xRange().size(), beforeWheel.size());

    // Undo zoom (Repeat and burst start): automatic ranges again, new data included.
    chart.undoZoom();
    ASSERT_TRUE(repainted());
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_EQ(xRange().lower, 0.0);
    EXPECT_EQ(xRange().upper, 2000.0);

    // So does a double click.
    mouse(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    ASSERT_TRUE(chart.isZoomed());
    mouse(QEvent::MouseButtonDblClick, area.center(), Qt::LeftButton, Qt::LeftButton);
    EXPECT_FALSE(chart.isZoomed());
}

TEST_F(ChartViewTest, EachRepaintGetsWhatThePixelsShowAndExactPointsWhenZoomedIn)
{
    // Sixteen series of 200,000 points each.
    std::vector<double> batch(2048);
    for (int i = 0; i < 16; ++i) {
        chart.putOnChart(i);
        ChartSeries& s = chart.series(i);
        while (s.count() < 200'000) {
            for (size_t k = 0; k < batch.size(); ++k)
                batch[k] = std::sin(double(s.count() + qsizetype(k)) * 0.001 * (i + 1)) * 100;
            s.appendBatch(batch);
        }
    }
    ASSERT_TRUE(repainted());
    const qsizetype columns = plotArea().width();
    for (int i = 0; i < 16; ++i) {
        EXPECT_GT(view.drawnPoints(i), columns) << i;
        EXPECT_LE(view.drawnPoints(i), 4 * columns + 2) << i;
    }

    // Zoomed in to 51 points: those points and their two neighbours, and a tip on a point
    // gives its exact values.
    chart.setZoom({false, 1000, 1050}, {false, -110, 110});
    view.plot()->replot();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(view.drawnPoints(i), 53) << i;
    const ChartSeries& s = chart.series(7);
    QCustomPlot* plot = view.plot();
    const QPoint at(int(std::lround(plot->xAxis->coordToPixel(s.x(1020)))),
                    int(std::lround(plot->yAxis->coordToPixel(s.y(1020)))));
    const QString tip = view.pointTip(at);
    EXPECT_TRUE(tip.contains(QStringLiteral("X = ") + QLocale().toString(1020.0, 'g', 6)))
        << tip.toStdString();
    EXPECT_TRUE(tip.contains(QStringLiteral("Y = ") + QLocale().toString(s.y(1020), 'g', 6)))
        << tip.toStdString();
    EXPECT_TRUE(view.pointTip(QPoint(plotArea().left() + 1, plotArea().top() + 1)).isEmpty())
        << "no point up there";
}

TEST_F(ChartViewTest, TheChartIsHiddenWhileABurstRuns)
{
    fill();
    ASSERT_TRUE(repainted());
    EXPECT_TRUE(view.plot()->isVisible());
    chart.setShown(false);
    ASSERT_TRUE(waitFor([&] { return !view.plot()->isVisible(); }));
    chart.setShown(true);
    ASSERT_TRUE(waitFor([&] { return view.plot()->isVisible(); }));
    EXPECT_EQ(view.toolTip(),
              QStringLiteral(
                  "Chart Window - to see the charts user must define variables and collect data"));
    EXPECT_EQ(view.property("helpContext").toInt(), 1104);
}

TEST(SeriesGraph, DenseLinesSetThePixelsALineWouldSet)
{
    // The same line, swinging across the plot every few pixels, drawn by QCPGraph segment by
    // segment and by SeriesGraph as runs on its canvas.
    const QSize size(700, 400);
    const auto render = [&](bool runs) {
        QCustomPlot plot;
        plot.resize(size);
        auto* canvas = new LineCanvas(&plot);
        QCPGraph* graph = runs ? new SeriesGraph(plot.xAxis, plot.yAxis, *canvas)
                               : new QCPGraph(plot.xAxis, plot.yAxis);
        canvas->setLayer(plot.currentLayer());
        graph->setPen(QPen(Qt::red));
        graph->setAntialiased(false);
        for (int x = 0; x < 1500; ++x)
            graph->addData(x, 100 * std::sin(x * 2.0 * M_PI / 7.3));
        plot.xAxis->setRange(0, 1499);
        plot.yAxis->setRange(-110, 110);
        return plot.toPixmap(size.width(), size.height()).toImage();
    };
    const QImage runs = render(true);
    const QImage lines = render(false);
    // Per two pixel columns, the highest and the lowest red pixel. Where a steep segment passes
    // from one column to the next, the two ways split its rows a few pixels apart (the line
    // walker rounds its sub-pixel steps its own way); nothing else may differ.
    const auto extent = [](const QImage& image, int x) {
        int top = -1;
        int bottom = -1;
        for (int y = 0; y < image.height(); ++y) {
            for (const int column : {x, x + 1}) {
                const QRgb p = image.pixel(column, y);
                if (qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80) {
                    if (top < 0)
                        top = y;
                    bottom = y;
                }
            }
        }
        return std::pair(top, bottom);
    };
    int columns = 0;
    int alike = 0;
    for (int x = 0; x + 1 < size.width(); x += 2) {
        const auto [t1, b1] = extent(runs, x);
        const auto [t2, b2] = extent(lines, x);
        if (t1 < 0 && t2 < 0)
            continue;
        ++columns;
        if (std::abs(t1 - t2) <= 5 && std::abs(b1 - b2) <= 5)
            ++alike;
    }
    ASSERT_GT(columns, 250);
    EXPECT_GE(alike, columns * 98 / 100) << alike << " of " << columns << " column pairs alike";
}
