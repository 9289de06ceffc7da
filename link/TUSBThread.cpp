#include "link/TUSBThread.h"

#include "base/Clock.h"
#include "link/THidDevice.h"
#include "link/Transport.h"

#include <pthread.h>

namespace {
// A pending write is re-checked for termination at this interval.
constexpr int WriteWaitSliceMs = 700;
} // namespace

TUSBThread::TUSBThread(Transport& transport) : m_transport(transport)
{
    m_transport.transferMode().store(Idle);
    m_thread = std::thread([this] { body(); });
}

TUSBThread::~TUSBThread()
{
    terminateAndWait();
}

TUSBThread::Mode TUSBThread::mode() const
{
    return m_transport.transferMode().load();
}

void TUSBThread::wake()
{
    {
        std::lock_guard lock(m_parkMutex);
        m_woken = true;
    }
    m_parked.notify_one();
}

void TUSBThread::terminateAndWait()
{
    if (!m_thread.joinable())
        return;
    m_terminate = true;
    if (THidDevice* device = m_transport.device(); device && mode() == Writing)
        device->CancelTransfer(THidTransfer::Write);
    wake();
    m_thread.join();
}

void TUSBThread::body()
{
    pthread_setname_np(pthread_self(), "USBThread");
    auto& mode = m_transport.transferMode();
    while (!m_terminate) {
        switch (mode.load()) {
        case Idle: {
            std::unique_lock lock(m_parkMutex);
            m_parked.wait(lock, [&] { return m_woken || m_terminate; });
            m_woken = false;
            break;
        }
        case Delaying:
            waitDelay();
            break;
        case Ready:
            write();
            break;
        case Writing: // only ever seen while write() runs
            mode.store(Idle);
            break;
        }
    }
}

void TUSBThread::waitDelay()
{
    auto& mode = m_transport.transferMode();
    const quint32 elapsed = m_transport.clock().nowMs() - m_lastWriteStart;
    const qint32 delay = m_transport.delayMs();
    if (delay <= 0 || elapsed >= quint32(delay)) {
        auto expected = Delaying;
        if (mode.compare_exchange_strong(expected, Ready))
            m_transport.watchdog().delayEnded();
        return;
    }
    std::unique_lock lock(m_parkMutex);
    m_parked.wait_for(lock, std::chrono::milliseconds(quint32(delay) - elapsed),
                      [&] { return m_woken || m_terminate; });
    m_woken = false;
}

void TUSBThread::write()
{
    auto& mode = m_transport.transferMode();
    THidDevice* device = m_transport.device();
    if (!device) {
        auto expected = Ready;
        mode.compare_exchange_strong(expected, Idle);
        return;
    }
    m_lastWriteStart = m_transport.clock().nowMs();
    mode.store(Writing);

    OutputReport report;
    m_transport.copyOutputReport(report);
    const quint16 length = qMin<quint16>(device->Caps().OutputReportByteLength, report.size());
    bool completed = true;
    if (device->WriteOverlapped(report.data(), length)) {
        // Looked at once even when termination is already requested: a write that completed
        // at once must not count as lost because the thread was slow to see it.
        do {
            completed = device->WaitWrite(WriteWaitSliceMs);
        } while (!completed && !m_terminate);
        // Only a report the device took has gone out; the cancel that termination makes
        // completes the wait too, without delivering anything.
        if (completed && device->OverlappedWriteResult() > 0)
            m_transport.noteWriteCompleted();
        else if (m_terminate)
            completed = false;
    }
    if (!completed) {
        // Termination came while the write was pending.
        device->CancelTransfer(THidTransfer::Write);
        m_transport.flags().WriteOutstanding = false;
        m_transport.flags().TransferFailed = true;
    }
    auto expected = Writing;
    mode.compare_exchange_strong(expected, Idle);
}
