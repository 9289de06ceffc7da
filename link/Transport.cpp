#include "link/Transport.h"

#include "base/Clock.h"
#include "base/GuiHandoff.h"
#include "link/THidDevice.h"

#include <cstring>

Transport::Transport(LinkFlags& flags, const Clock& clock)
    : m_flags(flags), m_clock(clock), m_watchdog(std::make_unique<TTimeout>(*this))
{}

Transport::~Transport()
{
    destroyTransferThread();
    m_watchdog.reset();
}

void Transport::setDevice(THidDevice* device)
{
    std::lock_guard lock(m_transferLock);
    m_device.store(device);
}

void Transport::StartTransfer(const TIIC_Packet& packet)
{
    takeLateReports();
    {
        std::lock_guard lock(m_reportMutex);
        EncodePacket(packet, m_outputReport);
    }
    m_inputReport.fill(0);
    if (!m_device.load())
        return;
    startExchange(true, packet.HasDelay, packet.Delay);
}

void Transport::StartRawTransfer()
{
    takeLateReports();
    if (!m_device.load())
        return;
    startExchange(false, false, 0);
}

void Transport::takeLateReports()
{
    // Reports the read thread handed over after the watchdog gave the last exchange up are
    // late replies to it. They are taken as such now: once the next exchange is out, one would
    // pass for its reply and shift every result after it by one. (Inside a report handler
    // the hand-offs cannot be run, and no exchange was given up since its report came.)
    if (!m_reportHandlerBusy && m_watchdog->gaveUp())
        GuiHandoff::instance().drain();
}

void Transport::startExchange(bool keepDelaying, bool hasDelay, qint32 delay)
{
    std::lock_guard lock(m_transferLock);
    if (!m_transferThread) {
        m_transferThread = std::make_unique<TUSBThread>(*this);
        ++m_threadsCreated;
    }
    m_watchdog->arm();
    if (hasDelay) {
        m_delayMs = delay;
        m_transferMode.store(TUSBThread::Delaying);
    } else if (!keepDelaying || m_transferMode.load() != TUSBThread::Delaying) {
        m_transferMode.store(TUSBThread::Ready);
    }
    m_flags.WriteOutstanding = true;
    m_transferThread->wake();
}

void Transport::OnReport(THidDevice*, quint8, const quint8* Data, quint16 Size)
{
    if (m_reportHandlerBusy && appendStatusLine)
        appendStatusLine(QStringLiteral("overload"));
    m_reportHandlerBusy = true;
    // After the watchdog gave the exchange up, a report is no reply to anything that waits:
    // the exchange has failed (its end is the watchdog's), and no run may take the report
    // for the reply of its next transaction.
    m_lastReportLate = !m_watchdog->disarm();
    if (!m_lastReportLate)
        m_flags.WriteOutstanding = false;
    // A short report (a device with a shorter input length) leaves the rest zero rather
    // than reading past its end.
    const size_t n = qMin<size_t>(Size, m_inputReport.size());
    std::memcpy(m_inputReport.data(), Data, n);
    std::memset(m_inputReport.data() + n, 0, m_inputReport.size() - n);
    if (!m_lastReportLate && m_flags.ControlReplyExpected.exchange(false)) {
        if (onControlReply)
            onControlReply();
    } else if (onTransactionReply) {
        onTransactionReply();
    }
    m_reportHandlerBusy = false;
}

void Transport::OnReadError(THidDevice*, quint32)
{
    m_flags.TransferFailed = true;
    m_flags.WriteOutstanding = false;
    // The exchange in flight has failed: no later report is its reply, also not a poll's.
    m_flags.ControlReplyExpected = false;
    if (THidDevice* device = m_device.load()) {
        device->CancelTransfer(THidTransfer::Write);
        device->CancelTransfer(THidTransfer::Read);
    }
    m_watchdog->disarm();
    destroyTransferThread();
}

void Transport::setPause(qint32 ms)
{
    std::lock_guard lock(m_transferLock);
    m_delayMs = ms;
    if (m_transferThread)
        m_transferMode.store(TUSBThread::Delaying);
}

void Transport::destroyTransferThread()
{
    std::lock_guard lock(m_transferLock);
    if (!m_transferThread)
        return;
    m_transferThread->terminateAndWait();
    m_transferThread.reset();
    m_transferMode.store(TUSBThread::Idle);
}

void Transport::failOutstandingExchange()
{
    std::lock_guard lock(m_transferLock);
    const bool outstanding = m_flags.WriteOutstanding.exchange(false);
    if (outstanding) {
        cancelDeviceIo();
        m_watchdog->disarm();
    }
    // A thread still busy with a write would go on using the device after it was returned.
    if (outstanding || m_transferMode.load() != TUSBThread::Idle)
        destroyTransferThread();
    if (outstanding) {
        m_flags.TransferFailed = true;
        // A poll exchange given up here gets no reply: the next transaction reply (on the
        // bridge selected next) must not be taken for it.
        m_flags.ControlReplyExpected = false;
    }
}

void Transport::cancelDeviceIo()
{
    if (THidDevice* device = m_device.load()) {
        device->CancelTransfer(THidTransfer::Read);
        device->CancelTransfer(THidTransfer::Write);
    }
}

void Transport::editOutputReport(const std::function<void(OutputReport&)>& edit)
{
    std::lock_guard lock(m_reportMutex);
    edit(m_outputReport);
}

OutputReport Transport::outputReport() const
{
    std::lock_guard lock(m_reportMutex);
    return m_outputReport;
}

void Transport::copyOutputReport(OutputReport& buffer) const
{
    std::lock_guard lock(m_reportMutex);
    buffer = m_outputReport;
}
