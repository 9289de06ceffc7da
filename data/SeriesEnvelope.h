#pragma once

#include "data/SeriesPoint.h"

#include <QtGlobal>

#include <array>
#include <span>
#include <vector>

// The min/max envelope of one series: a few levels of buckets, each Factor times coarser than
// the one below (level 0 holds the Y extremes of every Factor points). Points are folded in as
// they are appended; removing points from the front drops whole buckets. With it a view asks,
// per pixel column, for the first, minimum, maximum and last point (M4) at a cost that depends
// on the number of columns, not on the number of points.
//
// Buckets are addressed by the absolute index of a point: its position in the series plus the
// points removed from the front since the series was last cleared. A bucket that is partly
// removed is never used as a whole, so trimming needs no refolding.
class SeriesEnvelope
{
public:
    static constexpr int FactorBits = 5;
    static constexpr qint64 Factor = qint64(1) << FactorBits;
    static constexpr int Levels = 4; // buckets of 32, 1024, 32768 and 1048576 points

    // Positions (into the live points) of a range's lowest and highest Y; -1 for an empty range.
    struct Extremes
    {
        qsizetype minPosition = -1;
        qsizetype maxPosition = -1;
    };

    // live are the series' points, first the absolute index of live[0]. Points from position
    // `from` on were appended since the last call (points trimmed before they were folded
    // may leave a gap before them).
    void appended(std::span<const SeriesPoint> live, qint64 first, qsizetype from);
    // The points before absolute index first are gone.
    void trimmed(qint64 first);
    void clear();

    // Lowest and highest Y of the live positions lo .. hi - 1 (the first of equals). A NaN Y
    // counts as neither, unless the whole range is NaN.
    Extremes extremes(std::span<const SeriesPoint> live, qint64 first, qsizetype lo,
                      qsizetype hi) const;

    // The points to draw for the X range x0 .. x1 on `columns` pixel columns, appended to out
    // in ascending position: the point just before the range and the one just after it (so the
    // line runs on to the edges), and in between either every point, when no more than
    // `columns` lie in the range, or per column its first, lowest, highest and last point.
    // Column c holds the X from columnEdge(c) up to but excluding columnEdge(c + 1); the last
    // one also holds x1.
    void m4(std::span<const SeriesPoint> live, qint64 first, double x0, double x1, int columns,
            std::vector<SeriesPoint>& out) const;
    static double columnEdge(double x0, double x1, int columns, int c);

    // Heap bytes held by the buckets.
    qsizetype allocatedBytes() const;

private:
    struct Bucket
    {
        double minY;
        double maxY;
        quint32 minOffset; // from the bucket's first absolute index
        quint32 maxOffset;
    };
    struct Level
    {
        std::vector<Bucket> buckets;
        qint64 base = 0; // absolute bucket index of buckets[0]
        qint64 end() const { return base + qint64(buckets.size()); }
    };
    static constexpr int shift(int level) { return FactorBits * (level + 1); }

    void foldPoints(std::span<const SeriesPoint> live, qint64 first, qsizetype from);
    void foldLevel(int level, qint64 fromChild);

    std::array<Level, Levels> m_levels;
};
