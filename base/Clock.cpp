#include "base/Clock.h"

#include <chrono>

quint32 SteadyClock::nowMs() const
{
    using namespace std::chrono;
    return static_cast<quint32>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

SteadyClock& SteadyClock::instance()
{
    static SteadyClock clock;
    return clock;
}
