#include "link/THidDeviceReadThread.h"

#include "base/GuiHandoff.h"
#include "link/THidDevice.h"

#include <algorithm>
#include <chrono>

THidDeviceReadThread::THidDeviceReadThread(THidDevice& device, quint16 inputReportLength)
    : m_device(&device), m_length(inputReportLength),
      m_buffers(MaxBatch + 1, std::vector<quint8>(inputReportLength))
{
    m_thread = std::thread([this] { run(); });
}

THidDeviceReadThread::~THidDeviceReadThread()
{
    requestStop();
    if (m_thread.joinable())
        m_thread.join();
}

void THidDeviceReadThread::requestStop()
{
    {
        std::lock_guard lock(m_pauseMutex);
        m_terminate = true;
    }
    m_pauseWake.notify_all();
    if (!m_retired)
        m_device->CancelTransfer(THidTransfer::Read);
}

namespace {
std::vector<THidDeviceReadThread*>& retiredThreads() // GUI thread only
{
    static std::vector<THidDeviceReadThread*> threads;
    return threads;
}
} // namespace

void THidDeviceReadThread::retire(THidDeviceReadThread* thread)
{
    thread->m_retired = true;
    retiredThreads().push_back(thread);
}

void THidDeviceReadThread::reapRetired(bool wait)
{
    std::vector<THidDeviceReadThread*>& threads = retiredThreads();
    for (auto it = threads.begin(); it != threads.end();) {
        THidDeviceReadThread* thread = *it;
        if (wait && !thread->finished())
            GuiHandoff::instance().waitWhileDraining([thread] { return thread->finished(); });
        if (thread->finished()) {
            it = threads.erase(it);
            delete thread; // joins
        } else {
            ++it;
        }
    }
}

void THidDeviceReadThread::pause(int ms)
{
    std::unique_lock lock(m_pauseMutex);
    m_pauseWake.wait_for(lock, std::chrono::milliseconds(ms),
                         [this] { return m_terminate.load(); });
}

// Waits as long as it takes for the first report, then takes what the platform already holds
// without waiting. A read that is still pending at the end stays started in m_buffers[filled].
bool THidDeviceReadThread::collect(int& filled, std::optional<quint32>& failure)
{
    THidDevice* device = m_device;
    filled = 0;
    failure.reset();
    bool streaming = false;
    for (;;) {
        std::vector<quint8>& buffer = m_buffers[size_t(filled)];
        if (!m_readPending) {
            std::fill(buffer.begin(), buffer.end(), quint8(0));
            quint32 error = 0;
            if (!device->ReadOverlapped(buffer.data(), m_length, error)) {
                failure = error;
                return true;
            }
            m_readPending = true;
        }
        bool completed = false;
        if (filled == 0) {
            // A report that was already waiting means the device streams: read ahead. One
            // that had to be waited for is a reply, and a read left pending across its
            // hand-off would only cost the next exchange wake-ups.
            completed = !m_terminate && device->WaitRead(0);
            streaming = completed;
            // A stop that came before the read was pending could not complete it.
            while (!completed && !m_terminate)
                completed = device->WaitRead(device->ReadSliceMs());
        } else {
            completed = device->WaitRead(0);
        }
        if (m_terminate) {
            if (!completed)
                device->CancelTransfer(THidTransfer::Read);
            m_readPending = false;
            return false;
        }
        if (!completed)
            return true;
        m_readPending = false;
        const quint32 count = device->OverlappedReadResult();
        if (count > 0 && m_length > 0)
            m_counts[size_t(filled++)] = std::min<quint32>(count, m_length);
        else if (filled > 0)
            return true; // an empty (cancelled) read ends the batch
        if (filled == MaxBatch || !streaming)
            return true;
    }
}

void THidDeviceReadThread::run()
{
    GuiHandoff& handoff = GuiHandoff::instance();
    THidDevice* device = m_device;
    int filled = 0;
    std::optional<quint32> failure;
    while (!m_terminate && collect(filled, failure)) {
        if (filled > 0) {
            handoff.run([&] {
                // A handler that stops this reader may end the device's life: the rest of
                // the batch is dropped, as a stopped reader's reports always are.
                for (int i = 0; i < filled && !m_terminate; ++i) {
                    const std::vector<quint8>& b = m_buffers[size_t(i)];
                    device->deliverInputReport(*this, b[0], b.data() + 1,
                                               static_cast<quint16>(m_counts[size_t(i)] - 1));
                }
            });
            // The read still pending goes first next time; swapping keeps its buffer in place.
            if (m_readPending)
                std::swap(m_buffers[0], m_buffers[size_t(filled)]);
        }
        if (m_terminate)
            break;
        if (failure) {
            handoff.run([&] { device->deliverReadFailure(*this, *failure); });
            if (!m_terminate)
                pause(device->ReadSliceMs());
        }
    }
    // Stopped during a hand-off while a read was pending: a retired reader's stop request
    // already completed it, and its device may be gone.
    if (m_readPending && !m_retired)
        device->CancelTransfer(THidTransfer::Read);
    m_finished = true;
    handoff.notify();
}
