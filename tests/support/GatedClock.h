#pragma once

#include "base/Clock.h"

#include <QtGlobal>

#include <pthread.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>

// A millisecond clock that the test sets by hand. It can also hold the watchdog thread in a
// reading (the one with which it decides whether an exchange has timed out) until the test lets
// it go on, so that a test can put a reply or a new exchange exactly into that moment.
class GatedClock : public Clock
{
public:
    quint32 nowMs() const override
    {
        const quint32 now = m_now.load();
        if (!onWatchdogThread())
            return now;
        std::unique_lock lock(m_mutex);
        if (m_holding && quint32(now - m_holdFrom) < 0x80000000u) {
            m_held = true;
            m_changed.notify_all();
            m_changed.wait(lock, [this] { return !m_holding; });
            m_held = false;
            ++m_passes;
            m_changed.notify_all();
        }
        return now;
    }

    void set(quint32 ms) { m_now = ms; }
    quint32 now() const { return m_now.load(); }

    // The watchdog's next reading of a time at or after from stops until release().
    void holdWatchdogFrom(quint32 from)
    {
        std::lock_guard lock(m_mutex);
        m_holding = true;
        m_holdFrom = from;
    }
    bool watchdogHeld() const
    {
        std::lock_guard lock(m_mutex);
        return m_held;
    }
    void release()
    {
        std::lock_guard lock(m_mutex);
        m_holding = false;
        m_changed.notify_all();
    }
    // Readings that were held and have been let go.
    int passes() const
    {
        std::lock_guard lock(m_mutex);
        return m_passes;
    }

private:
    static bool onWatchdogThread()
    {
        char name[16] = {};
        pthread_getname_np(pthread_self(), name, sizeof name);
        return std::strcmp(name, "TTimeoutThread") == 0;
    }

    std::atomic<quint32> m_now{0};
    mutable std::mutex m_mutex; // protects the members below
    mutable std::condition_variable m_changed;
    bool m_holding = false;
    quint32 m_holdFrom = 0;
    mutable bool m_held = false;
    mutable int m_passes = 0;
};
