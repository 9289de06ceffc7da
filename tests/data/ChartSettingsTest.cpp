#include "data/ChartSettings.h"
#include "data/ChartModel.h"
#include "data/VariableDefinitions.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

class ChartSettingsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        defs.Names[4] = QStringLiteral("TEMP");
        defs.Names[1] = QStringLiteral("SINE");
        chart.putOnChart(4);
        chart.putOnChart(1);
        for (int x = 0; x < 10; ++x) {
            chart.series(4).append(x, 20 + x);
            chart.series(1).append(x, -x);
        }
    }

    VariableDefinitions defs;
    ChartModel chart{defs};
};

} // namespace

TEST_F(ChartSettingsTest, StartsFromWhatTheChartShowsAndAppliesToIt)
{
    ChartSettings s = ChartSettings::from(chart);
    EXPECT_TRUE(s.bottom.automatic && s.left.automatic);
    EXPECT_EQ(s.bottom.lower, 0.0);
    EXPECT_EQ(s.bottom.upper, 9.0);
    EXPECT_EQ(s.left.lower, -9.0);
    EXPECT_EQ(s.left.upper, 29.0);
    ASSERT_EQ(s.series.size(), 2);
    EXPECT_EQ(s.series[0].title, QStringLiteral("TEMP"));
    EXPECT_EQ(s.series[1].index, 1);

    s.leftTitle = QStringLiteral("°C");
    s.left = {false, 0, 50};
    s.legend = false;
    s.series[0].colorIndex = 15;
    s.series[0].lineWidth = 4;
    s.series[1].visible = false;
    ASSERT_TRUE(s.error(ChartModel::AxisScale::Linear).isEmpty());
    chart.setZoom({false, 2, 3}, {false, 5, 6});
    s.applyTo(chart);
    EXPECT_EQ(chart.leftAxisTitle(), QStringLiteral("°C"));
    EXPECT_FALSE(chart.isZoomed()) << "new ranges replace the zoom";
    EXPECT_EQ(chart.shownLeftRange(), (ChartModel::AxisRange{false, 0, 50}));
    EXPECT_TRUE(chart.shownBottomRange().automatic);
    EXPECT_FALSE(chart.isLegendVisible());
    EXPECT_EQ(defs.Colors[4], 15) << "the colour is the variable's";
    EXPECT_EQ(chart.series(4).lineWidth(), 4);
    EXPECT_FALSE(chart.series(1).isLineVisible());
    EXPECT_TRUE(chart.series(1).isOnChart());

    // A zoom ends in the ranges set here, not in automatic ones.
    chart.setZoom({false, 2, 3}, {false, 5, 6});
    chart.undoZoom();
    EXPECT_EQ(chart.shownLeftRange(), (ChartModel::AxisRange{false, 0, 50}));
}

TEST_F(ChartSettingsTest, RangesAndLinesThatCannotBeShownAreRefused)
{
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    struct Case
    {
        const char* what;
        ChartModel::AxisRange bottom;
        ChartModel::AxisRange left;
        ChartModel::AxisScale scale;
        int lineWidth;
        bool refused;
    };
    using R = ChartModel::AxisRange;
    const auto linear = ChartModel::AxisScale::Linear;
    const auto log10 = ChartModel::AxisScale::Log10;
    const Case cases[] = {
        {"automatic ranges", R{true, 5, 1}, R{true, 0, 0}, linear, 1, false},
        {"fixed ranges", R{false, -1, 1}, R{false, 1, 100}, log10, 10, false},
        {"bottom reversed", R{false, 5, 1}, R{true, 0, 0}, linear, 1, true},
        {"left empty", R{true, 0, 0}, R{false, 2, 2}, linear, 1, true},
        {"not a number", R{false, NaN, 1}, R{true, 0, 0}, linear, 1, true},
        {"log from zero", R{true, 0, 0}, R{false, 0, 10}, log10, 1, true},
        {"line too wide", R{true, 0, 0}, R{true, 0, 0}, linear, 11, true},
        {"no line", R{true, 0, 0}, R{true, 0, 0}, linear, 0, true},
    };
    for (const Case& c : cases) {
        ChartSettings s = ChartSettings::from(chart);
        s.bottom = c.bottom;
        s.left = c.left;
        s.series[0].lineWidth = c.lineWidth;
        EXPECT_EQ(!s.error(c.scale).isEmpty(), c.refused) << c.what;
    }
}
