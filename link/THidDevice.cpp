#include "link/THidDevice.h"

#include "base/GuiHandoff.h"
#include "link/EControllerError.h"
#include "link/THidDeviceController.h"
#include "link/THidDeviceReadThread.h"

#include <cerrno>

namespace {
constexpr int StringUnits = 254; // 508-byte string buffers
}

THidDevice::THidDevice(THidDeviceController* controller, HidPlatform& platform, THidPnPInfo pnpInfo)
    : m_controller(controller), m_platform(platform), m_pnpInfo(std::move(pnpInfo))
{
    quint32 error = 0;
    std::unique_ptr<HidConnection> handle =
        m_platform.open(m_pnpInfo.DevicePath, HidAccess::ReadWrite, error);
    m_readWriteAllowed = handle != nullptr;
    m_openError = handle ? 0 : error;
    if (!handle)
        handle = m_platform.open(m_pnpInfo.DevicePath, HidAccess::Query, error);
    if (!handle)
        throw EControllerError("device cannot be opened");
    THidAttributes attributes;
    if (!handle->attributes(attributes))
        throw EControllerError("device cannot be identified");
    m_attributes = attributes;
}

THidDevice::~THidDevice()
{
    setOnInputReport({});
    m_onUnplugged = {};
    closeHandles();
    if (m_controller)
        m_controller->forget(this);
}

bool THidDevice::accessible() const
{
    return m_pluggedIn && (m_lent || m_inPlugEvent);
}

std::unique_ptr<HidConnection> THidDevice::openQuery()
{
    if (!accessible())
        return nullptr;
    quint32 error = 0;
    std::unique_ptr<HidConnection> handle =
        m_platform.open(m_pnpInfo.DevicePath, HidAccess::ReadWrite, error);
    m_readWriteAllowed = handle != nullptr;
    m_openError = handle ? 0 : error;
    if (!handle)
        handle = m_platform.open(m_pnpInfo.DevicePath, HidAccess::Query, error);
    return handle;
}

QString THidDevice::SerialNumber()
{
    if (!m_serialNumber.isEmpty())
        return m_serialNumber;
    std::unique_ptr<HidConnection> handle = openQuery();
    if (!handle)
        return m_serialNumber;
    std::u16string serial;
    if (!handle->serialNumber(serial))
        return {};
    // The serial buffer starts zeroed; the language buffer is filled with 0xFFFF so that its
    // used length shows (the device writes the IDs and a terminating NUL).
    std::u16string s(StringUnits, u'\0');
    s.replace(0, std::min<size_t>(serial.size(), StringUnits), serial, 0, StringUnits);
    std::u16string g(StringUnits, u'\xFFFF');
    std::u16string languages;
    if (handle->stringDescriptor0(languages)) {
        languages.push_back(u'\0');
        g.replace(0, std::min<size_t>(languages.size(), StringUnits), languages, 0, StringUnits);
    }
    int n = 0;
    for (int k = StringUnits - 1; k >= 0; --k) {
        if (g[k] != u'\xFFFF') {
            n = g[k] == u'\0' ? k : k + 1;
            break;
        }
    }
    // A serial that merely repeats the language list gives no identity.
    for (int i = 0; i < n; ++i) {
        if (s[i] != g[i]) {
            const size_t end = s.find(u'\0');
            m_serialNumber = QString::fromStdU16String(s.substr(0, end));
            break;
        }
    }
    return m_serialNumber;
}

THidCaps THidDevice::Caps()
{
    std::lock_guard lock(m_capsMutex);
    if (!m_capsFetched) {
        if (std::unique_ptr<HidConnection> handle = openQuery()) {
            THidCaps caps;
            if (handle->caps(caps)) {
                m_caps = caps;
                m_capsFetched = true;
            }
        }
    }
    return m_capsFetched ? m_caps : THidCaps{};
}

std::shared_ptr<HidConnection> THidDevice::transferConnection(THidTransfer direction,
                                                              quint32& error)
{
    std::lock_guard lock(m_handleMutex);
    std::shared_ptr<HidConnection>& handle =
        direction == THidTransfer::Read ? m_readHandle : m_writeHandle;
    if (!handle) {
        if (!accessible()) {
            error = ENODEV;
            return nullptr;
        }
        handle = m_platform.open(
            m_pnpInfo.DevicePath,
            direction == THidTransfer::Read ? HidAccess::Read : HidAccess::Write, error);
    }
    return handle;
}

bool THidDevice::WriteOverlapped(const quint8* buffer, quint16 length)
{
    quint32 error = 0;
    std::shared_ptr<HidConnection> handle = transferConnection(THidTransfer::Write, error);
    const bool started = handle && handle->startWrite(buffer, length, error);
    m_writeResult = 0;
    std::lock_guard lock(m_handleMutex);
    m_writing = started ? handle : nullptr;
    return started;
}

bool THidDevice::WaitWrite(int timeoutMs)
{
    // The handle the write went to: a device that leaves the bus right after taking the
    // report closes its handles, and the outcome must not be lost with them.
    std::shared_ptr<HidConnection> handle;
    {
        std::lock_guard lock(m_handleMutex);
        handle = m_writing;
    }
    if (!handle)
        return true;
    if (!handle->waitWrite(timeoutMs))
        return false;
    m_writeResult = handle->writeResult();
    std::lock_guard lock(m_handleMutex);
    if (m_writing == handle)
        m_writing.reset();
    return true;
}

quint32 THidDevice::OverlappedWriteResult()
{
    return m_writeResult;
}

bool THidDevice::ReadOverlapped(quint8* buffer, quint16 length, quint32& error)
{
    std::shared_ptr<HidConnection> handle = transferConnection(THidTransfer::Read, error);
    return handle && handle->startRead(buffer, length, error);
}

bool THidDevice::WaitRead(int timeoutMs)
{
    std::shared_ptr<HidConnection> handle;
    {
        std::lock_guard lock(m_handleMutex);
        handle = m_readHandle;
    }
    return !handle || handle->waitRead(timeoutMs);
}

quint32 THidDevice::OverlappedReadResult()
{
    std::shared_ptr<HidConnection> handle;
    {
        std::lock_guard lock(m_handleMutex);
        handle = m_readHandle;
    }
    return handle ? handle->readResult() : 0;
}

bool THidDevice::CancelTransfer(THidTransfer direction)
{
    std::shared_ptr<HidConnection> handle;
    {
        std::lock_guard lock(m_handleMutex);
        handle = direction == THidTransfer::Read ? m_readHandle : m_writeHandle;
    }
    return handle && handle->cancel(direction);
}

void THidDevice::closeHandles()
{
    std::shared_ptr<HidConnection> read;
    std::shared_ptr<HidConnection> write;
    {
        std::lock_guard lock(m_handleMutex);
        read.swap(m_readHandle);
        write.swap(m_writeHandle);
    }
    // Whoever still waits on a handle holds it; completing its transfer lets it return.
    if (read)
        read->cancel(THidTransfer::Read);
    if (write)
        write->cancel(THidTransfer::Write);
}

void THidDevice::markUnplugged()
{
    closeHandles();
    m_pluggedIn = false;
    if (m_onUnplugged) {
        THidPlugEvent handler = m_onUnplugged;
        handler(this);
    }
    m_onUnplugged = {};
}

void THidDevice::setOnInputReport(THidDataEvent handler)
{
    if (!handler)
        stopReadThread();
    m_onInputReport = std::move(handler);
    startReadThreadIfAllowed();
}

void THidDevice::setOnReadFailure(THidDataErrorEvent handler)
{
    m_onReadFailure = std::move(handler);
}

void THidDevice::setOnUnplugged(THidPlugEvent handler)
{
    m_onUnplugged = std::move(handler);
}

void THidDevice::setReadSliceMs(int ms)
{
    if (ms >= 10 && ms <= 10000)
        m_readSliceMs = ms;
}

void THidDevice::startReadThreadIfAllowed()
{
    if (!m_onInputReport || !m_pluggedIn || !m_lent || !m_readWriteAllowed || m_readThread)
        return;
    // Fetched here, on the GUI thread, before the reader uses the device.
    const quint16 length = Caps().InputReportByteLength;
    // The read handle is opened now rather than by the thread's first read, so that a reply
    // to a write made right after lending is not lost (input goes only to open handles).
    quint32 error = 0;
    transferConnection(THidTransfer::Read, error);
    m_readThread = std::make_unique<THidDeviceReadThread>(*this, length);
}

void THidDevice::stopReadThread()
{
    THidDeviceReadThread::reapRetired(false);
    if (!m_readThread)
        return;
    std::unique_ptr<THidDeviceReadThread> thread = std::move(m_readThread);
    thread->requestStop();
    if (thread->delivering()) {
        // Stopped from inside its own report handler: the reader is blocked in that very
        // hand-off, so it cannot be waited for here.
        THidDeviceReadThread::retire(thread.release());
        return;
    }
    GuiHandoff::instance().waitWhileDraining([&] { return thread->finished(); });
}

void THidDevice::deliverInputReport(THidDeviceReadThread& from, quint8 reportId, const quint8* data,
                                    quint16 size)
{
    if (from.stopRequested() || !m_onInputReport)
        return;
    // A copy: the handler may replace itself while it runs.
    THidDataEvent handler = m_onInputReport;
    from.m_delivering = true;
    handler(this, reportId, data, size);
    from.m_delivering = false;
}

void THidDevice::deliverReadFailure(THidDeviceReadThread& from, quint32 error)
{
    if (from.stopRequested() || !m_onReadFailure)
        return;
    THidDataErrorEvent handler = m_onReadFailure;
    from.m_delivering = true;
    handler(this, error);
    from.m_delivering = false;
}
