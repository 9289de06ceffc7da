#pragma once

#include "link/LinkFlags.h"
#include "link/PacketCodec.h"
#include "link/TIIC_Packet.h"
#include "link/TTimeout.h"
#include "link/TUSBThread.h"

#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class Clock;
class THidDevice;

// Moves one output report at a time to the selected bridge and brings every input report
// back to the GUI thread. Owns the report buffers, the transfer thread and the watchdog.
class Transport
{
public:
    Transport(LinkFlags& flags, const Clock& clock);
    ~Transport(); // stops both threads

    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Where OnReport sends what it received (set by the main-window model).
    std::function<void()> onControlReply;     // ControlReplyExpected was set
    std::function<void()> onTransactionReply; // any other report
    // Appends a line to the status window ("Timeout", "overload"); GUI thread.
    std::function<void(const QString&)> appendStatusLine;

    // The device all traffic goes to (the selected bridge's), or null. Set under TransferLock.
    void setDevice(THidDevice* device);
    THidDevice* device() const { return m_device.load(); }

    // GUI thread. Encodes the packet and starts its exchange; with no device selected it only
    // encodes and clears the input report.
    void StartTransfer(const TIIC_Packet& packet);
    // GUI thread. Starts an exchange of the output report exactly as the caller filled it.
    void StartRawTransfer();

    // The selected device's input-report and read-failure handlers; GUI thread.
    void OnReport(THidDevice* HidDev, quint8 ReportID, const quint8* Data, quint16 Size);
    // OnReport is running (its handler may pump events, and a report can arrive meanwhile).
    bool ReportHandlerBusy() const { return m_reportHandlerBusy; }
    // The report OnReport handles now (or handled last) came after the watchdog had given the
    // exchange up: it answers nothing that waits for a reply.
    bool lastReportLate() const { return m_lastReportLate; }
    void OnReadError(THidDevice* HidDev, quint32 Error);

    // Repeat's pause between passes: the next write waits until ms have passed since the
    // previous write began. Applied to an existing transfer thread only.
    void setPause(qint32 ms);

    // Stops and destroys the transfer thread if it exists (takes TransferLock).
    void destroyTransferThread();
    // Ends the exchange in flight as failed: the shared tail of a deselection, a removal of
    // the selected bridge and the upgrade's start (TransferLock held by the caller).
    void failOutstandingExchange();

    // Fills the output report under its lock (the raw transfers of the firmware upgrade).
    void editOutputReport(const std::function<void(OutputReport&)>& edit);
    OutputReport outputReport() const;
    const InputReport& inputReport() const { return m_inputReport; }

    std::recursive_mutex& TransferLock() { return m_transferLock; }
    // The transfer thread, or null when none exists (read under TransferLock).
    TUSBThread* transferThread() const { return m_transferThread.get(); }
    TTimeout& watchdog() { return *m_watchdog; }
    LinkFlags& flags() { return m_flags; }
    const Clock& clock() const { return m_clock; }
    qint32 delayMs() const { return m_delayMs.load(); }
    // Mode of the transfer thread (Idle when none exists).
    std::atomic<TUSBThread::Mode>& transferMode() { return m_transferMode; }
    // Number of transfer threads created so far (a fresh one after every failure).
    int transferThreadsCreated() const { return m_threadsCreated; }
    // Writes the transfer thread has completed so far. A report that gets no reply (the
    // upgrade's enter-boot-loader and finish reports) has gone out once this count passes the
    // one read before its exchange; the bridge may leave the bus right after it, and its
    // removal must not make the write look lost.
    quint32 writesCompleted() const { return m_writesCompleted.load(); }
    // Transfer thread: a write has completed (a waiting pump sees it at its next tick).
    void noteWriteCompleted() { ++m_writesCompleted; }

    // Transfer thread: copies the output report into buffer under the report lock.
    void copyOutputReport(OutputReport& buffer) const;

private:
    void takeLateReports();
    void startExchange(bool keepDelaying, bool hasDelay, qint32 delay);
    void cancelDeviceIo();

    LinkFlags& m_flags;
    const Clock& m_clock;

    mutable std::mutex m_reportMutex; // protects m_outputReport
    OutputReport m_outputReport{};
    InputReport m_inputReport{};      // GUI thread only
    bool m_reportHandlerBusy = false; // GUI thread only
    bool m_lastReportLate = false;    // GUI thread only

    std::recursive_mutex m_transferLock; // guards creation, destruction and hand-off of
                                         // m_transferThread, and changes of m_device
    std::unique_ptr<TUSBThread> m_transferThread;
    int m_threadsCreated = 0;
    std::atomic<THidDevice*> m_device{nullptr};
    std::atomic<qint32> m_delayMs{0};
    std::atomic<TUSBThread::Mode> m_transferMode{TUSBThread::Idle};
    std::atomic<quint32> m_writesCompleted{0};

    std::unique_ptr<TTimeout> m_watchdog; // last member: its thread uses the ones above
};
