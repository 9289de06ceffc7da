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

// The first position in from .. hi - 1 whose X is not below x (hi when there is none). The
// guess comes from the X spacing of the range, which is steady for samples taken at a steady
// rate; galloping from it corrects the guess in a few reads near the answer, where a binary
// search over a long series would miss the cache at every step.
qsizetype findX(std::span<const SeriesPoint> live, qsizetype from, qsizetype hi, double x)
{
    if (from >= hi || !(live[size_t(from)].x < x))
        return from;
    const double first = live[size_t(from)].x;
    const double last = live[size_t(hi - 1)].x;
    if (last < x)
        return hi;
    const auto begin = live.begin();
    const auto byX = [](const SeriesPoint& p, double v) { return p.x < v; };
    // Here live[from].x < x <= live[hi - 1].x: the answer is in from + 1 .. hi - 1.
    const double share = last > first ? (x - first) / (last - first) : 1.0;
    const qsizetype guess =
        std::clamp(from + qsizetype(share * double(hi - 1 - from)), from + 1, hi - 1);
    if (live[size_t(guess)].x < x) {
        qsizetype below = guess; // below the answer
        for (qsizetype step = 1;; step *= 2) {
            const qsizetype probe = below + step;
            if (probe >= hi - 1 || !(live[size_t(probe)].x < x))
                return std::lower_bound(begin + below + 1, begin + std::min(probe, hi - 1) + 1, x,
                                        byX) -
                       begin;
            below = probe;
        }
    }
    qsizetype atOrAbove = guess; // at or above the answer
    for (qsizetype step = 1;; step *= 2) {
        const qsizetype probe = atOrAbove - step;
        if (probe <= from || live[size_t(probe)].x < x)
            return std::lower_bound(begin + std::max(probe, from) + 1, begin + atOrAbove + 1, x,
                                    byX) -
                   begin;
        atOrAbove = probe;
    }
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
        // Points trimmed before they were folded leave a gap: the buckets before it are dead.
        if (level.buckets.empty() || b > level.end()) {
            level.buckets.clear();
            level.base = b;
        }
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
        if (level.buckets.empty() || b > level.end()) {
            level.buckets.clear();
            level.base = b;
        }
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
    // Takes the absolute indices from .. to - 1, in units of level k (-1: the points).
    const auto take = [&](int k, qint64 from, qint64 to) {
        if (k < 0) {
            const SeriesPoint* p = live.data() + (from - first);
            for (qint64 a = from; a < to; ++a, ++p) {
                if (lower(p->y, minY)) {
                    minY = p->y;
                    minAt = a;
                }
                if (higher(p->y, maxY)) {
                    maxY = p->y;
                    maxAt = a;
                }
            }
            return;
        }
        const Level& level = m_levels[size_t(k)];
        const qint64 unit = qint64(1) << shift(k);
        const Bucket* bucket = level.buckets.data() + ((from >> shift(k)) - level.base);
        for (qint64 a = from; a < to; a += unit, ++bucket) {
            if (lower(bucket->minY, minY)) {
                minY = bucket->minY;
                minAt = a + bucket->minOffset;
            }
            if (higher(bucket->maxY, maxY)) {
                maxY = bucket->maxY;
                maxAt = a + bucket->maxOffset;
            }
        }
    };
    const auto unit = [](int k) { return k < 0 ? qint64(1) : qint64(1) << shift(k); };

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
        take(k, a, aligned);
        a = aligned;
        ++k;
    }
    for (; k >= -1; --k) {
        const qint64 stop = a + (end - a) / unit(k) * unit(k);
        take(k, a, stop);
        a = stop;
    }
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
            const qsizetype to =
                c + 1 == columns ? hi : findX(live, from, hi, columnEdge(x0, x1, columns, c + 1));
            if (to == from)
                continue;
            // The first and last points bound the column; the extremes lie between them.
            const Extremes e = extremes(live, first, from, to);
            const qsizetype at[] = {from, std::min(e.minPosition, e.maxPosition),
                                    std::max(e.minPosition, e.maxPosition), to - 1};
            qsizetype previous = -1;
            for (const qsizetype i : at) {
                if (i != previous)
                    out.push_back(live[size_t(i)]);
                previous = i;
            }
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
