#pragma once

#include "base/EventPump.h"

#include <functional>

// Waits, processing events, until the condition holds or the deadline passes; tests assert
// on the result instead of sleeping.
inline bool waitFor(const std::function<bool()>& condition, int deadlineMs = 5000)
{
    return pumpUntil(condition, deadlineMs);
}
