#pragma once

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

class Transport;

// The watchdog: gives up on an exchange whose reply has not come within LimitMs of arming,
// not counting the time a delayed write waits.
//
// Arming, disarming and the decision to give up are one order under the watchdog's lock: a
// reply either disarms the exchange before the decision (then there is no time-out) or finds
// it given up (then it is late, and no reply to it). Each arming starts a new exchange; the
// end of a given-up one (I/O cancelled, transfer thread destroyed, flags set) happens only
// while no newer exchange has been armed, so it never hits the next one.
class TTimeout
{
public:
    enum State : quint8 { Idle = 0, Arming = 1, Armed = 2 };
    static constexpr quint32 LimitMs = 1000;

    explicit TTimeout(Transport& transport);
    ~TTimeout();

    State state() const { return m_state.load(); }
    // The reply came, or the exchange ends otherwise. False when the watchdog had already
    // given the exchange up: a report that comes now is late.
    bool disarm();
    // Arms the watchdog for a new exchange: the limit starts now and TransferFailed clears.
    void arm();
    // The transfer thread's delay wait ended: the limit starts now.
    void delayEnded();
    // The exchange in flight was given up and no new one has been armed since.
    bool gaveUp() const;

private:
    void body();
    // The exchange to give up (its arming number), or none for now.
    std::optional<quint64> expireDue();
    void expire(quint64 exchange);

    Transport& m_transport;
    std::atomic<State> m_state{Idle};
    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_finished{false};

    mutable std::mutex m_mutex; // protects m_startTime, m_exchange, m_gaveUp, m_woken and
                                // every change of m_state
    std::condition_variable m_wakeup;
    quint32 m_startTime = 0;
    quint64 m_exchange = 0; // counts armings
    bool m_gaveUp = false;
    bool m_woken = false;

    std::thread m_thread;
};
