#pragma once

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

class THidDevice;

// Reads input reports of one lent device and hands each one synchronously to the GUI thread
// (GuiHandoff): report handlers never overlap, arrive in read order, and the next read starts
// only after the handler returned.
class THidDeviceReadThread
{
public:
    THidDeviceReadThread(THidDevice& device, quint16 inputReportLength);
    ~THidDeviceReadThread(); // joins; requestStop() first

    THidDeviceReadThread(const THidDeviceReadThread&) = delete;
    THidDeviceReadThread& operator=(const THidDeviceReadThread&) = delete;

    // Any thread: ask the loop to end and complete the pending read so it notices at once.
    void requestStop();
    bool stopRequested() const { return m_terminate; }
    bool finished() const { return m_finished; }

    // GUI thread: true while one of this thread's hand-offs is running.
    bool delivering() const { return m_delivering; }
    // GUI thread, while delivering(): the thread cannot be waited for here (it is blocked in
    // this very hand-off). It no longer touches its device after the hand-off returns and is
    // deleted by a later reapRetired().
    static void retire(THidDeviceReadThread* thread);
    // GUI thread: deletes the retired threads that have ended; with wait, waits for all.
    static void reapRetired(bool wait);

private:
    friend class THidDevice;

    void run();
    // Paces a failed read start, so a lost device is not polled in a tight loop.
    void pause(int ms);

    THidDevice* m_device;
    std::vector<quint8> m_buffer;

    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_retired{false};
    bool m_delivering = false; // GUI thread only

    std::mutex m_pauseMutex; // guards the pause wait against a missed stop request
    std::condition_variable m_pauseWake;

    std::thread m_thread;
};
