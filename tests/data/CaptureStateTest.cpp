#include "data/CaptureState.h"
#include "base/Clock.h"
#include "data/ChartModel.h"
#include "data/TVarType.h"
#include "data/VariableDefinitions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

class FakeClock : public Clock
{
public:
    quint32 nowMs() const override { return now; }
    quint32 now = 0;
};

class CaptureStateTest : public ::testing::Test
{
protected:
    // Makes variable i active with the given type and puts its series on the chart.
    void activate(int i, quint8 type, bool sign = false, float scale = 1.0f, float offset = 0.0f)
    {
        defs.DataVars[size_t(i)] = {true, type, sign, scale, offset};
        chart.putOnChart(i);
    }
    void put(int i, std::initializer_list<int> bytes)
    {
        int position = 0;
        for (int b : bytes)
            capture.PutByte(i * 4 + position++, quint8(b));
    }
    std::vector<double> xs(int i) const
    {
        std::vector<double> out;
        for (const SeriesPoint& p : chart.series(i).points())
            out.push_back(p.x);
        return out;
    }

    VariableDefinitions defs;
    ChartModel chart{defs};
    FakeClock clock;
    CaptureState capture{defs, chart, clock};
};

} // namespace

TEST_F(CaptureStateTest, DecodesEveryTypeWithAndWithoutSign)
{
    struct Case
    {
        quint8 type;
        bool sign;
        std::vector<int> slots; // positions 0..3
        double want;
    };
    const std::vector<Case> cases = {
        {vtByte, false, {0xFF}, 255},
        {vtByte, true, {0xFF}, -1},
        {vtByte, true, {0x7F}, 127},
        {vtInt, false, {0x34, 0x12}, 0x1234},
        {vtInt, false, {0xFF, 0xFF}, 65535},
        {vtInt, true, {0xFF, 0xFF}, -1},
        {vtInt, true, {0x00, 0x80}, -32768},
        {vtLongInt, false, {0xFF, 0xFF, 0xFF, 0xFF}, 4294967295.0},
        {vtLongInt, true, {0xFF, 0xFF, 0xFF, 0xFF}, -1},
        {vtLongInt, true, {0x00, 0x00, 0x00, 0x80}, -2147483648.0},
        {vtLongInt, false, {0x78, 0x56, 0x34, 0x12}, 0x12345678},
        // Floats are most significant byte first; Sign changes nothing.
        {vtFloat, false, {0x3F, 0x80, 0x00, 0x00}, 1.0},
        {vtFloat, true, {0x3F, 0x80, 0x00, 0x00}, 1.0},
        {vtFloat, true, {0xC0, 0x49, 0x0F, 0xDB}, double(-3.14159274f)},
    };
    for (const Case& c : cases) {
        defs.DataVars[2].Type = c.type;
        defs.DataVars[2].Sign = c.sign;
        capture.RawSlots.fill(0);
        int position = 0;
        for (int b : c.slots)
            capture.RawSlots[size_t(8 + position++)] = quint8(b);
        EXPECT_EQ(capture.DecodeRaw(2), c.want)
            << "type " << int(c.type) << " sign " << c.sign << " first byte " << c.slots[0];
    }
}

TEST_F(CaptureStateTest, PutByteMarksTheVariableAndOutOfRangeSlotsAreIgnored)
{
    capture.PutByte(13, 0xAB);
    EXPECT_EQ(capture.RawSlots[13], 0xAB);
    EXPECT_TRUE(capture.Present[3]);
    EXPECT_FALSE(capture.Present[2]);
    capture.PutByte(64, 1);
    capture.PutByte(-1, 1);
    capture.ClearPresent();
    for (bool p : capture.Present)
        EXPECT_FALSE(p);
    EXPECT_EQ(capture.RawSlots[13], 0xAB); // bytes stay until overwritten
}

TEST_F(CaptureStateTest, SampleScalesAndOffsetsInDoublePrecision)
{
    activate(0, vtByte, false, 0.5f, 10.0f);
    activate(1, vtInt, false, 0.1f, 0.0f);
    put(0, {4});
    put(1, {0x10, 0x27}); // 10000
    capture.TakeSample();
    ASSERT_EQ(chart.series(0).count(), 1);
    EXPECT_EQ(chart.series(0).y(0), 12.0);
    // The single-precision scale is widened, not rounded to decimal.
    EXPECT_EQ(chart.series(1).y(0), 10000.0 * double(0.1f));
    EXPECT_EQ(chart.series(1).x(0), 0.0);
}

TEST_F(CaptureStateTest, DecimationTakesEveryNthCallAndCountsSamples)
{
    struct Case
    {
        qint32 decimation;
        std::vector<int> sampledCalls; // of calls 1..12 after a restart
    };
    const std::vector<Case> cases = {
        {0, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        {3, {3, 6, 9, 12}},
        {10, {10}},
        {-5, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
    };
    activate(0, vtByte);
    defs.Scroll = 0;
    for (const Case& c : cases) {
        chart.clearAll();
        defs.Decimation = c.decimation;
        capture.RestartCapture();
        std::vector<int> sampled;
        for (int call = 1; call <= 12; ++call) {
            put(0, {call});
            capture.TakeSample();
            if (chart.series(0).count() > qsizetype(sampled.size()))
                sampled.push_back(call);
        }
        EXPECT_EQ(sampled, c.sampledCalls) << "Decimation " << c.decimation;
        // Count mode: X is the sample number, not the call number.
        std::vector<double> wantX;
        for (size_t k = 0; k < sampled.size(); ++k)
            wantX.push_back(double(k));
        EXPECT_EQ(xs(0), wantX) << "Decimation " << c.decimation;
        EXPECT_EQ(capture.SampleCount, qint32(sampled.size()));
    }
}

TEST_F(CaptureStateTest, OnlyActivePresentVariablesOfAKnownTypeGivePoints)
{
    activate(0, vtByte);
    activate(1, vtByte);    // active, never mapped
    activate(2, quint8(7)); // a type only a hand-edited file can give
    defs.DataVars[3] = {false, vtByte, false, 1.0f, 0.0f};
    defs.Scroll = 0;

    put(0, {1});
    put(2, {1});
    put(3, {1});
    capture.TakeSample();
    EXPECT_EQ(chart.series(0).count(), 1);
    EXPECT_EQ(chart.series(1).count(), 0);
    EXPECT_EQ(chart.series(2).count(), 0);
    EXPECT_EQ(chart.series(3).count(), 0);
    EXPECT_EQ(capture.SampleCount, 1);

    // Nothing present: no point, SampleCount stays, but decimation still advances.
    capture.ClearPresent();
    defs.Decimation = 2;
    capture.RestartCapture();
    capture.TakeSample();
    EXPECT_EQ(capture.DecimationCounter, 2u);
    capture.TakeSample();
    EXPECT_EQ(capture.DecimationCounter, 1u);
    EXPECT_EQ(capture.SampleCount, 0);
    EXPECT_EQ(chart.series(0).count(), 1);

    // Present is not cleared by a sample: the same bytes are decoded again.
    defs.Decimation = 0;
    put(0, {5});
    capture.TakeSample();
    capture.TakeSample();
    EXPECT_EQ(chart.series(0).count(), 3);
    EXPECT_EQ(chart.series(0).y(2), 5.0);
}

TEST_F(CaptureStateTest, ScrollTrimsOnlySeriesAboveTheLimit)
{
    struct Case
    {
        qint32 scroll;
        qsizetype wantLong;
        qsizetype wantShort;
    };
    // 150 samples of variable 0, 40 of variable 1.
    const std::vector<Case> cases = {{100, 100, 40}, {1, 1, 1}, {0, 150, 40}, {-3, 150, 40}};
    activate(0, vtByte);
    activate(1, vtByte);
    for (const Case& c : cases) {
        chart.clearAll();
        capture.RestartCapture();
        defs.Scroll = c.scroll;
        for (int k = 0; k < 150; ++k) {
            capture.ClearPresent();
            put(0, {k});
            if (k < 40)
                put(1, {k});
            capture.TakeSample();
            ASSERT_LE(chart.series(0).count(), c.scroll > 0 ? c.scroll : 150);
        }
        EXPECT_EQ(chart.series(0).count(), c.wantLong) << "Scroll " << c.scroll;
        EXPECT_EQ(chart.series(1).count(), c.wantShort) << "Scroll " << c.scroll;
        // The newest points stay.
        EXPECT_EQ(chart.series(0).y(chart.series(0).count() - 1), 149.0);
    }
}

TEST_F(CaptureStateTest, TimeAxisUsesElapsedMillisecondsOfTheReport)
{
    activate(4, vtByte);
    defs.AxisX = true;
    defs.Scroll = 0;
    clock.now = 0xFFFFFF00u; // the clock wraps during this capture
    capture.RestartCapture();
    for (quint32 at : {0x10u, 0x130u, 0x500u}) {
        clock.now = 0xFFFFFF00u + at;
        capture.updateElapsed();
        put(4, {1});
        capture.TakeSample();
    }
    EXPECT_EQ(xs(4), (std::vector<double>{0x10, 0x130, 0x500}));
    EXPECT_EQ(capture.SampleCount, 3);
}

TEST_F(CaptureStateTest, EverySampleCallRefreshesOnlyAChartWithSeries)
{
    defs.DataVars[0] = {true, vtByte, false, 1.0f, 0.0f}; // active, but nothing on the chart
    capture.TakeSample();
    EXPECT_EQ(chart.generation(), 0u);
    chart.putOnChart(0);
    defs.Decimation = 5;
    capture.TakeSample(); // skipped by decimation, still refreshes
    capture.TakeSample();
    EXPECT_EQ(chart.generation(), 2u);
}

TEST_F(CaptureStateTest, BurstAppendsInBatchesAndSpreadsTimeOverTheRecords)
{
    activate(0, vtInt);
    activate(5, vtByte); // active, not in the burst's records
    defs.AxisX = true;
    defs.Scroll = 1; // the read-back ignores Scroll
    defs.Decimation = 7;
    capture.SampleCount = 42;

    capture.BeginBurstDecode(5000);
    EXPECT_TRUE(chart.series(0).isBulkMode());
    std::vector<qsizetype> countAfter;
    for (int r = 0; r < 5000; ++r) {
        capture.ClearPresent();
        put(0, {r & 0xFF, r >> 8});
        capture.DecodeBurstRecord();
        if (r == 2046 || r == 2047 || r == 4095 || r == 4999)
            countAfter.push_back(chart.series(0).count());
    }
    EXPECT_EQ(countAfter, (std::vector<qsizetype>{0, 2048, 4096, 4096}));
    const quint64 before = chart.generation();
    capture.ElapsedMs = 10000;
    capture.FinishBurstDecode(5000);

    const ChartSeries& s = chart.series(0);
    ASSERT_EQ(s.count(), 5000);
    for (qsizetype j = 0; j < s.count(); ++j) {
        ASSERT_EQ(s.x(j), 2.0 * double(j)) << j;
        ASSERT_EQ(s.y(j), double(j)) << j;
    }
    // Told the record count, the series was sized once.
    EXPECT_EQ(s.allocatedBytes(), 5000 * qsizetype(sizeof(SeriesPoint)));
    EXPECT_EQ(chart.series(5).count(), 0);
    EXPECT_EQ(chart.bottomAxisTitle(), QStringLiteral("time, ms"));
    EXPECT_EQ(chart.generation(), before + 1);
    EXPECT_EQ(capture.SampleCount, 42);
    EXPECT_TRUE(s.isBulkMode());
    capture.leaveBulkMode();
    EXPECT_FALSE(s.isBulkMode());
}

TEST_F(CaptureStateTest, BurstStepIsRoundedToSinglePrecisionAndCountModeKeepsPositions)
{
    activate(0, vtByte);
    defs.AxisX = true;
    capture.BeginBurstDecode();
    for (int r = 0; r < 3; ++r) {
        capture.ClearPresent();
        put(0, {r});
        capture.DecodeBurstRecord();
    }
    capture.ElapsedMs = 1000;
    capture.FinishBurstDecode(3);
    const double step = double(1000.0f / 3.0f);
    EXPECT_NE(step, 1000.0 / 3.0);
    EXPECT_EQ(xs(0), (std::vector<double>{0.0, step, 2.0 * step}));

    chart.clearAll();
    defs.AxisX = false;
    capture.BeginBurstDecode();
    for (int r = 0; r < 3; ++r) {
        capture.ClearPresent();
        put(0, {r});
        capture.DecodeBurstRecord();
    }
    capture.ElapsedMs = 1000;
    capture.FinishBurstDecode(3);
    EXPECT_EQ(xs(0), (std::vector<double>{0, 1, 2}));
    EXPECT_EQ(chart.bottomAxisTitle(), QStringLiteral("samples count"));

    // Time mode without records keeps the positions.
    chart.clearAll();
    defs.AxisX = true;
    capture.BeginBurstDecode();
    capture.FinishBurstDecode(0);
    EXPECT_EQ(chart.bottomAxisTitle(), QStringLiteral("samples count"));
}
