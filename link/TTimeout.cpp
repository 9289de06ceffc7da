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

void TTimeout::disarm()
{
    m_state.store(Idle);
}

void TTimeout::arm()
{
    {
        std::lock_guard lock(m_mutex);
        m_startTime = m_transport.clock().nowMs();
        m_transport.flags().TransferFailed = false;
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

void TTimeout::body()
{
    pthread_setname_np(pthread_self(), "TTimeoutThread");
    while (!m_terminate) {
        if (expireDue())
            expire();
    }
    m_finished = true;
    GuiHandoff::instance().notify();
}

// Sleeps until the limit of the armed exchange has passed or something changed; returns
// true when the exchange is to be given up (the state is then already Idle).
bool TTimeout::expireDue()
{
    std::unique_lock lock(m_mutex);
    m_woken = false;
    const State state = m_state.load();
    if (state == Idle) {
        m_wakeup.wait(lock, [&] { return m_woken || m_terminate; });
        return false;
    }
    if (m_transport.transferMode().load() == TUSBThread::Delaying) {
        // The limit does not run while a delayed write waits; delayEnded() restarts it.
        m_startTime = m_transport.clock().nowMs();
        m_wakeup.wait_for(lock, std::chrono::milliseconds(LimitMs),
                          [&] { return m_woken || m_terminate; });
        return false;
    }
    const quint32 elapsed = m_transport.clock().nowMs() - m_startTime;
    if (elapsed > LimitMs) {
        m_state.store(Idle);
        return true;
    }
    m_wakeup.wait_for(lock, std::chrono::milliseconds(LimitMs + 1 - elapsed),
                      [&] { return m_woken || m_terminate; });
    return false;
}

void TTimeout::expire()
{
    LinkFlags& flags = m_transport.flags();
    {
        std::lock_guard lock(m_transport.TransferLock());
        if (THidDevice* device = m_transport.device()) {
            device->CancelTransfer(THidTransfer::Read);
            device->CancelTransfer(THidTransfer::Write);
        }
        m_transport.destroyTransferThread();
    }
    flags.TransferFailed = true;
    flags.WriteOutstanding = false;
    GuiHandoff::instance().run([&] {
        // A poll-timer exchange that timed out must not leave its flag behind, or the next
        // transaction reply would be taken for a control reply.
        if (flags.ControlReplyExpected.exchange(false))
            return;
        if (m_transport.appendStatusLine)
            m_transport.appendStatusLine(QStringLiteral("Timeout"));
    });
}
