#include "link/TTimeout.h"

#include "base/Clock.h"
#include "base/GuiHandoff.h"
#include "link/THidDevice.h"
#include "link/Transport.h"

#include <pthread.h>

TTimeout::TTimeout(Transport& transport) : m_transport(transport)
{
    m_thread = std::thread([this] { body(); });
}

TTimeout::~TTimeout()
{
    m_terminate = true;
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_wakeup.notify_one();
    // The thread may be blocked in a hand-off of its "Timeout" line.
    GuiHandoff::instance().waitWhileDraining([this] { return m_finished.load(); });
    m_thread.join();
}

bool TTimeout::disarm()
{
    std::lock_guard lock(m_mutex);
    m_state.store(Idle);
    return !m_gaveUp;
}

void TTimeout::arm()
{
    {
        std::lock_guard lock(m_mutex);
        m_startTime = m_transport.clock().nowMs();
        m_transport.flags().TransferFailed = false;
        ++m_exchange;
        m_gaveUp = false;
        m_state.store(Armed);
        m_woken = true;
    }
    m_wakeup.notify_one();
}

void TTimeout::delayEnded()
{
    {
        std::lock_guard lock(m_mutex);
        m_startTime = m_transport.clock().nowMs();
        m_woken = true;
    }
    m_wakeup.notify_one();
}

bool TTimeout::gaveUp() const
{
    std::lock_guard lock(m_mutex);
    return m_gaveUp;
}

void TTimeout::body()
{
    pthread_setname_np(pthread_self(), "TTimeoutThread");
    while (!m_terminate) {
        if (const std::optional<quint64> exchange = expireDue())
            expire(*exchange);
    }
    m_finished = true;
    GuiHandoff::instance().notify();
}

// Sleeps until the limit of the armed exchange has passed or something changed. The clock is
// read without the lock held; whatever happened meanwhile (a reply, a new exchange, the end of
// a delay) is seen when the lock is taken again, before anything is decided.
std::optional<quint64> TTimeout::expireDue()
{
    std::unique_lock lock(m_mutex);
    m_woken = false;
    if (m_state.load() == Idle) {
        m_wakeup.wait(lock, [&] { return m_woken || m_terminate; });
        return std::nullopt;
    }
    const quint64 exchange = m_exchange;
    const quint32 start = m_startTime;
    lock.unlock();
    const quint32 now = m_transport.clock().nowMs();
    const bool delaying = m_transport.transferMode().load() == TUSBThread::Delaying;
    lock.lock();
    if (m_woken || m_state.load() != Armed || m_exchange != exchange || m_startTime != start)
        return std::nullopt;
    if (delaying) {
        // The limit does not run while a delayed write waits; delayEnded() restarts it.
        m_startTime = now;
        m_wakeup.wait_for(lock, std::chrono::milliseconds(LimitMs),
                          [&] { return m_woken || m_terminate; });
        return std::nullopt;
    }
    const quint32 elapsed = now - start;
    if (elapsed > LimitMs) {
        m_state.store(Idle);
        m_gaveUp = true;
        return exchange;
    }
    m_wakeup.wait_for(lock, std::chrono::milliseconds(LimitMs + 1 - elapsed),
                      [&] { return m_woken || m_terminate; });
    return std::nullopt;
}

void TTimeout::expire(quint64 exchange)
{
    LinkFlags& flags = m_transport.flags();
    bool controlExchange = false;
    {
        // Exchanges are armed under TransferLock: while it is held here, none can start.
        std::lock_guard transferLock(m_transport.TransferLock());
        {
            std::lock_guard lock(m_mutex);
            if (m_exchange != exchange)
                return; // a newer exchange runs: the old one has no end of its own to make
        }
        if (THidDevice* device = m_transport.device()) {
            device->CancelTransfer(THidTransfer::Read);
            device->CancelTransfer(THidTransfer::Write);
        }
        m_transport.destroyTransferThread();
        flags.TransferFailed = true;
        // Whether the given-up exchange was a poll-timer one is decided now, while no next
        // exchange can start (none does while WriteOutstanding is set): by the time the GUI
        // thread takes the hand-off, the next poll may have set the flag for itself. A poll
        // that timed out must not leave its flag behind either, or the next transaction reply
        // would be taken for a control reply.
        controlExchange = flags.ControlReplyExpected.exchange(false);
        flags.WriteOutstanding = false;
    }
    if (controlExchange)
        return;
    GuiHandoff::instance().run([this] {
        if (m_transport.appendStatusLine)
            m_transport.appendStatusLine(QStringLiteral("Timeout"));
    });
}
