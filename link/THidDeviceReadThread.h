#pragma once

#include <QtGlobal>

#include <array>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class THidDevice;

// Reads input reports of one lent device and hands them synchronously to the GUI thread
// (GuiHandoff). After the first report of a hand-off has come, the reports the platform already
// holds are read at once, without waiting, and go in the same hand-off (a stream costs one
// hand-off per batch, not per report); each still reaches the handler on its own. Handlers never
// overlap and run in read order; a read left pending by that look-ahead waits in a buffer of
// its own while the handlers run.
class THidDeviceReadThread
{
public:
    // Reports handed over in one hand-off at most (what a platform queues per handle).
    static constexpr int MaxBatch = 64;

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
    // Collects the reports of one hand-off into m_buffers; false when the thread is to end.
    bool collect(int& filled, std::optional<quint32>& failure);
    // Paces a failed read start, so a lost device is not polled in a tight loop.
    void pause(int ms);

    THidDevice* m_device;
    const quint16 m_length;
    std::vector<std::vector<quint8>> m_buffers;   // MaxBatch + 1: the batch and a pending read
    std::array<quint32, MaxBatch + 1> m_counts{}; // bytes of each completed read
    bool m_readPending = false; // a read into m_buffers[0] was started and has not completed

    std::atomic<bool> m_terminate{false};
    std::atomic<bool> m_finished{false};
    std::atomic<bool> m_retired{false};
    bool m_delivering = false; // GUI thread only

    std::mutex m_pauseMutex; // guards the pause wait against a missed stop request
    std::condition_variable m_pauseWake;

    std::thread m_thread;
};
