#pragma once

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class Transport;

// The transfer thread: writes the output report to the selected bridge, one write per
// exchange, optionally no earlier than DelayMs after the start of its previous write.
// Its mode lives in the Transport so that the watchdog can read it whatever thread exists.
class TUSBThread
{
public:
    enum Mode : quint8 { Idle = 0, Delaying = 1, Ready = 2, Writing = 4 };

    explicit TUSBThread(Transport& transport);
    ~TUSBThread(); // requests termination and waits for the thread to end

    Mode mode() const;
    void wake();
    // Requests termination, wakes the thread and waits until it has ended.
    void terminateAndWait();

private:
    void body();
    void waitDelay();
    void write();

    Transport& m_transport;
    std::atomic<bool> m_terminate{false};
    quint32 m_lastWriteStart = 0; // touched by the thread only

    std::mutex m_parkMutex; // protects m_woken
    std::condition_variable m_parked;
    bool m_woken = false;

    std::thread m_thread;
};
