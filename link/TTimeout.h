#pragma once

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class Transport;

// The watchdog: gives up on an exchange whose reply has not come within LimitMs of arming,
// not counting the time a delayed write waits.
class TTimeout
{
public:
    enum State : quint8 { Idle = 0, Arming = 1, Armed = 2 };
    static constexpr quint32 LimitMs = 1000;

    explicit TTimeout(Transport& transport);
    ~TTimeout();

    State state() const { return m_state.load(); }
    // Disarms the watchdog (the reply came, or the exchange was given up).
    void disarm();
    // Arms the watchdog for a new exchange: the limit starts now and TransferFailed clears.
    void arm();
    // The transfer thread's delay wait ended: the limit starts now.
    void delayEnded();

private:
    void body();
    bool expireDue();
    void expire();

    Transport& m_transport;
    std::atomic<State> m_state{Idle};
    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_finished{false};

    std::mutex m_mutex; // protects m_startTime, m_woken and the Armed -> Idle decision
    std::condition_variable m_wakeup;
    quint32 m_startTime = 0;
    bool m_woken = false;

    std::thread m_thread;
};
