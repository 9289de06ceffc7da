#pragma once

#include <QtGlobal>

// The millisecond clock. Elapsed times are the unsigned 32-bit difference of two readings,
// so a wrap of the counter does no harm.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual quint32 nowMs() const = 0;
};

// Monotonic milliseconds since an arbitrary start.
class SteadyClock : public Clock
{
public:
    quint32 nowMs() const override;
    static SteadyClock& instance();
};
