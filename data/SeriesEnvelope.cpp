#include "data/SeriesEnvelope.h"

#include <algorithm>
#include <cmath>

namespace {

// NaN sorts above every number for the minimum and below every number for the maximum, so a
// NaN is an extreme only of a range that holds nothing else, whichever way it is split.
bool lower(double a, double b)
{
    return a < b || (std::isnan(b) && !std::isnan(a));
}

bool higher(double a, double b)
{
    return a > b || (std::isnan(b) && !std::isnan(a));
}

// Room for the buckets of half as many points again, like the series' own growth.
template <typename T> void reserveOneMore(std::vector<T>& v)
{
    if (v.size() == v.capacity())
        v.reserve(std::max<size_t>(8, v.size() + v.size() / 2));
}

} // namespace

void SeriesEnvelope::appended(std::span<const SeriesPoint> live, qint64 first, qsizetype from)
{
    if (from >= qsizetype(live.size()))
        return;
    foldPoints(live, first, from);
    for (int k = 1; k < Levels; ++k)
        foldLevel(k, (first + from) >> shift(k - 1));
}

void SeriesEnvelope::rebuild(std::span<const SeriesPoint> live, qint64 first)
{
    for (Level& level : m_levels) {
        level.buckets.clear();
        level.base = 0;
    }
    appended(live, first, 0);
}

void SeriesEnvelope::trimmed(qint64 first)
{
    for (int k = 0; k < Levels; ++k) {
        Level& level = m_levels[size_t(k)];
        const qint64 dead =
            std::min(qint64(level.buckets.size()), (first >> shift(k)) - level.base);
        // Dropping buckets moves the rest, so wait until half of them are gone.
        if (dead <= 0 || 2 * dead < qint64(level.buckets.size()))
            continue;
        level.buckets.erase(level.buckets.begin(), level.buckets.begin() + dead);
        level.base += dead;
        if (level.buckets.capacity() > 64 && level.buckets.capacity() > 4 * level.buckets.size())
            level.buckets.shrink_to_fit();
    }
}

void SeriesEnvelope::clear()
{
    for (Level& level : m_levels) {
        std::vector<Bucket>().swap(level.buckets);
        level.base = 0;
    }
}

void SeriesEnvelope::foldPoints(std::span<const SeriesPoint> live, qint64 first, qsizetype from)
{
    Level& level = m_levels[0];
    const qsizetype n = qsizetype(live.size());
    qsizetype p = from;
    while (p < n) {
        const qint64 absolute = first + p;
        const qint64 b = absolute >> FactorBits;
        const qint64 start = b << FactorBits;
        const qsizetype stop = std::min<qsizetype>(n, p + qsizetype(start + Factor - absolute));
        if (level.buckets.empty())
            level.base = b;
        if (b == level.end()) {
            const double y = live[size_t(p)].y;
            const auto offset = quint32(absolute - start);
            reserveOneMore(level.buckets);
            level.buckets.push_back({y, y, offset, offset});
            ++p;
        }
        Bucket& bucket = level.buckets.back();
        for (; p < stop; ++p) {
            const double y = live[size_t(p)].y;
            if (lower(y, bucket.minY)) {
                bucket.minY = y;
                bucket.minOffset = quint32(first + p - start);
            }
            if (higher(y, bucket.maxY)) {
                bucket.maxY = y;
                bucket.maxOffset = quint32(first + p - start);
            }
        }
    }
}

void SeriesEnvelope::foldLevel(int k, qint64 fromChild)
{
    const Level& children = m_levels[size_t(k - 1)];
    Level& level = m_levels[size_t(k)];
    const int childShift = shift(k - 1);
    for (qint64 j = std::max(fromChild, children.base); j < children.end(); ++j) {
        const Bucket& child = children.buckets[size_t(j - children.base)];
        const qint64 b = j >> FactorBits;
        const auto childStart = quint32((j - (b << FactorBits)) << childShift);
        if (level.buckets.empty())
            level.base = b;
        if (b == level.end()) {
            reserveOneMore(level.buckets);
            level.buckets.push_back({child.minY, child.maxY, childStart + child.minOffset,
                                     childStart + child.maxOffset});
            continue;
        }
        // A child that grew is folded in again: its extremes only moved outwards.
        Bucket& bucket = level.buckets.back();
        if (lower(child.minY, bucket.minY)) {
            bucket.minY = child.minY;
            bucket.minOffset = childStart + child.minOffset;
        }
        if (higher(child.maxY, bucket.maxY)) {
            bucket.maxY = child.maxY;
            bucket.maxOffset = childStart + child.maxOffset;
        }
    }
}

SeriesEnvelope::Extremes SeriesEnvelope::extremes(std::span<const SeriesPoint> live, qint64 first,
                                                  qsizetype lo, qsizetype hi) const
{
    if (lo >= hi)
        return {};
    double minY = live[size_t(lo)].y;
    double maxY = minY;
    qint64 minAt = first + lo;
    qint64 maxAt = minAt;
    const auto takePoint = [&](qint64 a) {
        const double y = live[size_t(a - first)].y;
        if (lower(y, minY)) {
            minY = y;
            minAt = a;
        }
        if (higher(y, maxY)) {
            maxY = y;
            maxAt = a;
        }
    };
    const auto takeBucket = [&](int k, qint64 a) {
        const Level& level = m_levels[size_t(k)];
        const Bucket& bucket = level.buckets[size_t((a >> shift(k)) - level.base)];
        if (lower(bucket.minY, minY)) {
            minY = bucket.minY;
            minAt = a + bucket.minOffset;
        }
        if (higher(bucket.maxY, maxY)) {
            maxY = bucket.maxY;
            maxAt = a + bucket.maxOffset;
        }
    };
    // level -1 stands for the points themselves
    const auto unit = [](int k) { return k < 0 ? qint64(1) : qint64(1) << shift(k); };
    const auto take = [&](int k, qint64 a) {
        if (k < 0)
            takePoint(a);
        else
            takeBucket(k, a);
    };

    // Climb while a whole unit of the next level fits, take the coarsest units, then walk
    // down through the finer ones to the end: every point is seen once, at the coarsest
    // level whose bucket lies wholly inside the range.
    qint64 a = first + lo;
    const qint64 end = first + hi;
    int k = -1;
    while (k + 1 < Levels) {
        const qint64 next = unit(k + 1);
        const qint64 aligned = (a + next - 1) & ~(next - 1);
        if (aligned + next > end)
            break;
        for (; a < aligned; a += unit(k))
            take(k, a);
        ++k;
    }
    for (; k >= -1; --k)
        for (; a + unit(k) <= end; a += unit(k))
            take(k, a);
    return {qsizetype(minAt - first), qsizetype(maxAt - first)};
}

double SeriesEnvelope::columnEdge(double x0, double x1, int columns, int c)
{
    return c >= columns ? x1 : x0 + (x1 - x0) * double(c) / double(columns);
}

void SeriesEnvelope::m4(std::span<const SeriesPoint> live, qint64 first, double x0, double x1,
                        int columns, std::vector<SeriesPoint>& out) const
{
    columns = std::max(1, columns);
    const auto begin = live.begin();
    const auto byX = [](const SeriesPoint& p, double x) { return p.x < x; };
    const qsizetype n = qsizetype(live.size());
    const qsizetype lo = std::lower_bound(begin, live.end(), x0, byX) - begin;
    const qsizetype hi = std::max(
        lo, qsizetype(std::upper_bound(begin, live.end(), x1,
                                       [](double x, const SeriesPoint& p) { return x < p.x; }) -
                      begin));
    if (lo > 0)
        out.push_back(live[size_t(lo - 1)]);
    if (hi - lo <= columns) {
        out.insert(out.end(), begin + lo, begin + hi);
    } else {
        qsizetype from = lo;
        for (int c = 0; c < columns && from < hi; ++c) {
            const qsizetype to = c + 1 == columns
                                     ? hi
                                     : std::lower_bound(begin + from, begin + hi,
                                                        columnEdge(x0, x1, columns, c + 1), byX) -
                                           begin;
            if (to == from)
                continue;
            const Extremes e = extremes(live, first, from, to);
            std::array<qsizetype, 4> at = {from, e.minPosition, e.maxPosition, to - 1};
            std::sort(at.begin(), at.end());
            const auto last = std::unique(at.begin(), at.end());
            for (auto i = at.begin(); i != last; ++i)
                out.push_back(live[size_t(*i)]);
            from = to;
        }
    }
    if (hi < n)
        out.push_back(live[size_t(hi)]);
}

qsizetype SeriesEnvelope::allocatedBytes() const
{
    qsizetype bytes = 0;
    for (const Level& level : m_levels)
        bytes += qsizetype(level.buckets.capacity() * sizeof(Bucket));
    return bytes;
}
