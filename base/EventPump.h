#pragma once

#include <functional>

// The one place where the GUI thread processes events while a handler waits ("wait until the
// link is free", "wait for the reply"). Returns whether done() holds at the end; with
// timeoutMs >= 0 it gives up after that many milliseconds. Hand-offs from workers, timer ticks
// and posted events all run inside the wait.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs = -1);

// Pumps events for the given time (the 50 ms wait of a bridge selection, for example).
void pumpFor(int ms);
