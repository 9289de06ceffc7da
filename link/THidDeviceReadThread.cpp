#include "link/THidDeviceReadThread.h"

#include "app/GuiHandoff.h"
#include "link/THidDevice.h"

#include <algorithm>
#include <chrono>

THidDeviceReadThread::THidDeviceReadThread(THidDevice& device, quint16 inputReportLength)
    : m_device(&device), m_buffer(inputReportLength)
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

void THidDeviceReadThread::run()
{
    GuiHandoff& handoff = GuiHandoff::instance();
    THidDevice* device = m_device;
    const quint16 length = static_cast<quint16>(m_buffer.size());
    while (!m_terminate) {
        std::fill(m_buffer.begin(), m_buffer.end(), quint8(0));
        quint32 error = 0;
        if (device->ReadOverlapped(m_buffer.data(), length, error)) {
            // A stop that came before the read was pending could not complete it.
            bool completed = !m_terminate && device->WaitRead(device->ReadSliceMs());
            while (!completed && !m_terminate)
                completed = device->WaitRead(device->ReadSliceMs());
            if (m_terminate) {
                if (!completed)
                    device->CancelTransfer(THidTransfer::Read);
                break;
            }
            const quint32 count = device->OverlappedReadResult();
            if (count > 0 && length > 0) {
                const quint8 reportId = m_buffer[0];
                const quint8* data = m_buffer.data() + 1;
                const quint16 size = static_cast<quint16>(std::min<quint32>(count, length) - 1);
                handoff.run([&] { device->deliverInputReport(*this, reportId, data, size); });
            }
        } else {
            handoff.run([&] { device->deliverReadFailure(*this, error); });
            if (!m_terminate)
                pause(device->ReadSliceMs());
        }
    }
    m_finished = true;
    handoff.notify();
}
