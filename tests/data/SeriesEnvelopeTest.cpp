#include "data/SeriesEnvelope.h"
#include "data/ChartModel.h"
#include "data/VariableDefinitions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <span>
#include <vector>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// The order the envelope promises: NaN is never an extreme of a range that holds a number.
bool lower(double a, double b)
{
    return a < b || (std::isnan(b) && !std::isnan(a));
}

bool higher(double a, double b)
{
    return a > b || (std::isnan(b) && !std::isnan(a));
}

SeriesEnvelope::Extremes bruteExtremes(std::span<const SeriesPoint> pts, qsizetype lo, qsizetype hi)
{
    SeriesEnvelope::Extremes e;
    for (qsizetype i = lo; i < hi; ++i) {
        if (e.minPosition < 0 || lower(pts[size_t(i)].y, pts[size_t(e.minPosition)].y))
            e.minPosition = i;
        if (e.maxPosition < 0 || higher(pts[size_t(i)].y, pts[size_t(e.maxPosition)].y))
            e.maxPosition = i;
    }
    return e;
}

// M4 the slow way: every point is put in its pixel column by comparing it with the edges.
std::vector<SeriesPoint> bruteM4(std::span<const SeriesPoint> pts, double x0, double x1,
                                 int columns)
{
    std::vector<SeriesPoint> out;
    const qsizetype n = qsizetype(pts.size());
    qsizetype lo = 0;
    while (lo < n && pts[size_t(lo)].x < x0)
        ++lo;
    qsizetype hi = lo;
    while (hi < n && pts[size_t(hi)].x <= x1)
        ++hi;
    if (lo > 0)
        out.push_back(pts[size_t(lo - 1)]);
    if (hi - lo <= columns) {
        for (qsizetype i = lo; i < hi; ++i)
            out.push_back(pts[size_t(i)]);
    } else {
        std::vector<std::vector<qsizetype>> inColumn{size_t(columns)};
        int c = 0;
        for (qsizetype i = lo; i < hi; ++i) {
            while (c + 1 < columns &&
                   pts[size_t(i)].x >= SeriesEnvelope::columnEdge(x0, x1, columns, c + 1))
                ++c;
            inColumn[size_t(c)].push_back(i);
        }
        for (const std::vector<qsizetype>& members : inColumn) {
            if (members.empty())
                continue;
            const SeriesEnvelope::Extremes e =
                bruteExtremes(pts, members.front(), members.back() + 1);
            std::vector<qsizetype> at = {members.front(), e.minPosition, e.maxPosition,
                                         members.back()};
            std::sort(at.begin(), at.end());
            at.erase(std::unique(at.begin(), at.end()), at.end());
            for (qsizetype i : at)
                out.push_back(pts[size_t(i)]);
        }
    }
    if (hi < n)
        out.push_back(pts[size_t(hi)]);
    return out;
}

bool samePoints(const std::vector<SeriesPoint>& a, const std::vector<SeriesPoint>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const SeriesPoint& p, const SeriesPoint& q) {
                          return p.x == q.x && (p.y == q.y || (std::isnan(p.y) && std::isnan(q.y)));
                      });
}

class SeriesEnvelopeTest : public ::testing::Test
{
protected:
    // Random view ranges (inside, around and beyond the data) and column counts, each
    // compared with the brute force; and random position ranges for the extremes.
    void checkViews(int views)
    {
        const ChartSeries& s = series();
        const std::span<const SeriesPoint> pts = s.points();
        if (pts.empty())
            return;
        const double first = pts.front().x;
        const double last = pts.back().x;
        const double span = std::max(1.0, last - first);
        std::uniform_real_distribution<double> at(first - span / 10, last + span / 10);
        const int columnChoices[] = {1, 3, 64, 700, 1500};
        std::uniform_int_distribution<int> pick(0, 4);
        for (int v = 0; v < views; ++v) {
            double x0 = at(rng);
            double x1 = at(rng);
            if (v == 0) {
                x0 = first;
                x1 = last;
            }
            if (x1 < x0)
                std::swap(x0, x1);
            const int columns = columnChoices[pick(rng)];
            std::vector<SeriesPoint> got;
            s.pointsToDraw(x0, x1, columns, got);
            ASSERT_TRUE(samePoints(got, bruteM4(pts, x0, x1, columns)))
                << "view " << x0 << ".." << x1 << " on " << columns << " columns, " << pts.size()
                << " points";
        }
        std::uniform_int_distribution<qsizetype> position(0, qsizetype(pts.size()));
        for (int r = 0; r < views; ++r) {
            qsizetype lo = position(rng);
            qsizetype hi = position(rng);
            if (hi < lo)
                std::swap(lo, hi);
            const SeriesEnvelope::Extremes got = s.extremes(lo, hi);
            const SeriesEnvelope::Extremes want = bruteExtremes(pts, lo, hi);
            ASSERT_EQ(got.minPosition, want.minPosition) << lo << ".." << hi;
            ASSERT_EQ(got.maxPosition, want.maxPosition) << lo << ".." << hi;
        }
    }

    ChartSeries& series() { return chart.series(0); }
    double randomY() { return double(std::uniform_int_distribution<int>(-50, 50)(rng)); }

    VariableDefinitions defs;
    ChartModel chart{defs};
    std::mt19937_64 rng{20240611};
};

} // namespace

TEST_F(SeriesEnvelopeTest, LiveAppendsTrimsAndLateInsertsMatchBruteForce)
{
    // Small Y range for many ties (the first of equals is the extreme), NaN values, equal
    // X values, a late point now and then, and Scroll-like trimming of the front.
    ChartSeries& s = series();
    double x = 0;
    for (int step = 0; step < 40; ++step) {
        const int appends = std::uniform_int_distribution<int>(1, 6000)(rng);
        for (int i = 0; i < appends; ++i) {
            x += double(std::uniform_int_distribution<int>(0, 2)(rng));
            const bool nan = std::uniform_int_distribution<int>(0, 999)(rng) == 0;
            s.append(x, nan ? NaN : randomY());
        }
        if (step % 5 == 2)
            s.append(x - std::uniform_real_distribution<double>(0, x)(rng), randomY());
        // A float variable that decoded to NaN for a while: whole buckets of NaN, at the
        // first and at the coarser levels.
        if (step % 7 == 3)
            for (int i = 0; i < SeriesEnvelope::Factor * (SeriesEnvelope::Factor + 2); ++i)
                s.append(++x, NaN);
        if (step % 3 == 1)
            s.removeFirst(std::uniform_int_distribution<qsizetype>(0, s.count())(rng));
        if (step == 30)
            s.removeFirst(s.count()); // emptied, then refilled past the old buckets
        checkViews(12);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(SeriesEnvelopeTest, BulkBatchesRetimedAndTrimmedMatchBruteForce)
{
    ChartSeries& s = series();
    for (int round = 0; round < 3; ++round) {
        s.clear();
        std::vector<double> batch;
        for (int b = 0; b < 30; ++b) {
            batch.resize(size_t(std::uniform_int_distribution<int>(1, 2048)(rng)));
            for (double& y : batch)
                y = randomY();
            s.appendBatch(batch);
        }
        checkViews(8);
        // The time axis of a read-back: X values change, the envelope stays valid.
        for (qsizetype j = 0; j < s.count(); ++j)
            s.setX(j, double(j) * 0.37);
        checkViews(8);
        s.removeFirst(s.count() / 3 + 17);
        checkViews(8);
        if (HasFatalFailure())
            return;
    }
}

TEST_F(SeriesEnvelopeTest, EveryLevelIsUsedForLongSeries)
{
    // More than one bucket of the coarsest level, then a ragged cut at the front.
    ChartSeries& s = series();
    std::vector<double> batch(2048);
    std::uniform_real_distribution<double> noise(-1, 1);
    double phase = 0;
    while (s.count() < 2'300'000) {
        for (double& y : batch)
            y = std::sin(phase += 0.001) * 100 + noise(rng);
        s.appendBatch(batch);
    }
    checkViews(4);
    s.removeFirst(1'048'576 + 12345);
    checkViews(4);
}

TEST_F(SeriesEnvelopeTest, DrawnPointsAreBoundedByTheColumnsAndExactWhenZoomedIn)
{
    ChartSeries& s = series();
    std::vector<double> batch(2048);
    for (int b = 0; b < 500; ++b) {
        for (double& y : batch)
            y = randomY();
        s.appendBatch(batch);
    }
    std::vector<SeriesPoint> out;
    s.pointsToDraw(0, double(s.count() - 1), 800, out);
    EXPECT_LE(out.size(), 4u * 800u + 2u);
    // Fewer points than columns in view: the points themselves, and their neighbours.
    out.clear();
    s.pointsToDraw(1000.5, 1400.5, 800, out);
    ASSERT_EQ(out.size(), 402u);
    for (size_t i = 0; i < out.size(); ++i) {
        EXPECT_EQ(out[i].x, 1000.0 + double(i));
        EXPECT_EQ(out[i].y, s.y(1000 + qsizetype(i)));
    }
}

TEST_F(SeriesEnvelopeTest, TheEnvelopeCostsLittleMemoryBesideThePoints)
{
    ChartSeries& grown = series();
    for (int i = 0; i < 1'000'000; ++i)
        grown.append(i, std::sin(i * 0.01));
    EXPECT_LE(double(grown.envelopeBytes()), 0.10 * double(grown.allocatedBytes()));

    // Scrolling, with a view folding the new points in every 100 samples (a frame).
    ChartSeries& scrolled = chart.series(1);
    for (int i = 0; i < 300'000; ++i) {
        scrolled.append(i, i % 977);
        if (scrolled.count() > 5000)
            scrolled.removeFirst(scrolled.count() - 5000);
        if (i % 100 == 0 && i > 10'000) {
            ASSERT_LE(double(scrolled.envelopeBytes()), 0.10 * double(scrolled.allocatedBytes()))
                << i;
        }
    }
    scrolled.clear();
    EXPECT_EQ(scrolled.envelopeBytes(), 0);
}
