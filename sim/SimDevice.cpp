#include "sim/SimDevice.h"

#include "sim/SimPlatform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>

namespace {
constexpr size_t ReaderQueueLength = 64; // input reports buffered per open handle, as hidraw
constexpr auto ReplyHoldLimit = std::chrono::milliseconds(1000);
} // namespace

// One open handle on a SimDevice. Read handles queue the device's input reports; writes go
// straight to the device's firmware thread and complete at once.
class SimConnection : public HidConnection
{
public:
    SimConnection(std::shared_ptr<SimDevice> device, HidAccess access, int generation)
        : m_device(std::move(device)), m_access(access), m_generation(generation),
          m_identity(m_device->m_identity), m_serialReadable(m_device->m_serialReadable),
          m_languagesReadable(m_device->m_languagesReadable),
          m_attributesReadable(m_device->m_attributesReadable)
    {}

    ~SimConnection() override
    {
        std::lock_guard lock(m_device->m_mutex);
        auto& readers = m_device->m_readers;
        readers.erase(std::remove(readers.begin(), readers.end(), this), readers.end());
        m_device->m_wake.notify_all();
    }

    bool attributes(THidAttributes& out) override
    {
        if (!m_attributesReadable)
            return false;
        out.VendorID = m_identity.vendorId;
        out.ProductID = m_identity.productId;
        out.VersionNumber = m_identity.version;
        return true;
    }

    bool serialNumber(std::u16string& out) override
    {
        if (!m_serialReadable || !live())
            return false;
        out = m_identity.serial.substr(0, 254);
        return true;
    }

    bool stringDescriptor0(std::u16string& out) override
    {
        if (!m_languagesReadable || !live())
            return false;
        out = m_identity.languages;
        return true;
    }

    bool caps(THidCaps& out) override
    {
        out.InputReportByteLength = m_identity.inputLength;
        out.OutputReportByteLength = m_identity.outputLength;
        return true;
    }

    bool startRead(quint8* buffer, quint16 length, quint32& error) override
    {
        std::lock_guard lock(m_device->m_mutex);
        if (m_access != HidAccess::Read || !liveLocked()) {
            error = m_access != HidAccess::Read ? EBADF : ENODEV;
            return false;
        }
        if (m_device->m_failReads > 0) {
            --m_device->m_failReads;
            error = EIO;
            return false;
        }
        m_buffer = buffer;
        m_length = length;
        m_result = 0;
        m_pending = true;
        completeFromQueue();
        return true;
    }

    bool waitRead(int timeoutMs) override
    {
        std::unique_lock lock(m_device->m_mutex);
        // A condition-variable wait with a deadline already passed still sleeps in the
        // kernel for its timer slack (tens of microseconds): a poll must not wait at all.
        if (timeoutMs <= 0)
            return !m_pending;
        return m_readDone.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [this] { return !m_pending; });
    }

    quint32 readResult() override
    {
        std::lock_guard lock(m_device->m_mutex);
        return m_result;
    }

    bool startWrite(const quint8* buffer, quint16 length, quint32& error) override
    {
        if (m_access != HidAccess::Write || length < 1) {
            error = EBADF;
            return false;
        }
        {
            std::lock_guard lock(m_device->m_mutex);
            if (!liveLocked()) {
                error = ENODEV;
                return false;
            }
        }
        // Byte 0 is the report ID, which the device never sees as data.
        m_device->accept(buffer + 1, quint16(length - 1));
        m_written = length;
        return true;
    }

    bool waitWrite(int timeoutMs) override
    {
        Q_UNUSED(timeoutMs);
        return true;
    }

    quint32 writeResult() override { return m_written; }

    bool cancel(THidTransfer direction) override
    {
        if (direction == THidTransfer::Read) {
            std::lock_guard lock(m_device->m_mutex);
            if (m_pending)
                finish(0);
        }
        return true;
    }

    // --- with the device's mutex held
    void enqueue(const QByteArray& payload)
    {
        if (m_queue.size() < ReaderQueueLength)
            m_queue.push_back(payload); // a full queue drops the report, as the kernel does
        completeFromQueue();
    }
    bool hasRoom() const { return m_queue.size() < ReaderQueueLength; }
    // The read in progress ends without a report; what is queued stays for the next one.
    void endPendingRead()
    {
        if (m_pending)
            finish(0);
    }
    void abandon()
    {
        m_queue.clear();
        if (m_pending)
            finish(0);
    }

private:
    bool live()
    {
        std::lock_guard lock(m_device->m_mutex);
        return liveLocked();
    }
    bool liveLocked() const
    {
        return m_device->m_pluggedIn && m_device->m_generation == m_generation;
    }
    void completeFromQueue()
    {
        if (!m_pending || m_queue.empty())
            return;
        const QByteArray payload = std::move(m_queue.front());
        m_queue.pop_front();
        // The device has no report IDs: the ID byte 0 goes in front of the payload.
        quint32 n = 0;
        if (m_length > 0) {
            m_buffer[0] = 0;
            n = std::min<quint32>(m_length - 1u, quint32(payload.size()));
            std::copy_n(reinterpret_cast<const quint8*>(payload.constData()), n, m_buffer + 1);
            ++n;
        }
        finish(n);
        m_device->m_wake.notify_all(); // room for a stream report
    }
    void finish(quint32 result)
    {
        m_result = result;
        m_pending = false;
        m_buffer = nullptr;
        m_readDone.notify_all();
    }

    std::shared_ptr<SimDevice> m_device;
    const HidAccess m_access;
    const int m_generation;
    const SimDevice::Identity m_identity;
    const bool m_serialReadable;
    const bool m_languagesReadable;
    const bool m_attributesReadable;
    std::atomic<quint32> m_written{0}; // the write side's thread only, atomic for a reader

    // Guarded by m_device->m_mutex:
    std::condition_variable m_readDone;
    std::deque<QByteArray> m_queue;
    quint8* m_buffer = nullptr;
    quint16 m_length = 0;
    quint32 m_result = 0;
    bool m_pending = false;
};

SimDevice::SimDevice(SimPlatform* platform, Identity identity, bool bridge)
    : m_platform(platform), m_identity(std::move(identity))
{
    if (bridge) {
        m_firmware = std::make_unique<SimFirmware>();
        m_thread = std::thread([this] { run(); });
    }
}

SimDevice::~SimDevice()
{
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

QString SimDevice::serialNumber() const
{
    std::lock_guard lock(m_mutex);
    return QString::fromStdU16String(m_identity.serial);
}

bool SimDevice::pluggedIn() const
{
    std::lock_guard lock(m_mutex);
    return m_pluggedIn;
}

QString SimDevice::path() const
{
    std::lock_guard lock(m_mutex);
    return m_pluggedIn ? deepCopy(m_path) : QString();
}

QString SimDevice::deepCopy(const QString& s)
{
    return QString(s.constData(), s.size());
}

void SimDevice::plug()
{
    std::lock_guard lock(m_mutex);
    if (!m_pluggedIn)
        plugLocked();
}

void SimDevice::unplug()
{
    std::lock_guard lock(m_mutex);
    if (!m_pluggedIn)
        return;
    if (m_firmware)
        m_firmware->reboot();
    unplugLocked();
}

void SimDevice::plugLocked()
{
    m_pluggedIn = true;
    ++m_generation;
    if (m_platform) {
        const QString n = m_platform->newPath();
        m_path = QStringLiteral("/dev/sim/hidraw") + n;
        m_identityText = QStringLiteral("SIM\\") + n;
    }
    notifyPlatform();
}

void SimDevice::unplugLocked()
{
    m_pluggedIn = false;
    m_inbox.clear();
    for (SimConnection* reader : m_readers)
        reader->abandon();
    notifyPlatform();
}

void SimDevice::notifyPlatform()
{
    if (m_platform)
        m_platform->deviceChanged();
}

std::unique_ptr<HidConnection> SimDevice::open(HidAccess access, quint32& error)
{
    std::lock_guard lock(m_mutex);
    if (!m_pluggedIn) {
        error = ENODEV;
        return nullptr;
    }
    if (!m_openable) {
        error = ENXIO;
        return nullptr;
    }
    if (access != HidAccess::Query && m_dataAccessError != 0) {
        error = m_dataAccessError;
        return nullptr;
    }
    auto connection = std::make_unique<SimConnection>(shared_from_this(), access, m_generation);
    if (access == HidAccess::Read) {
        m_readers.push_back(connection.get());
        m_wake.notify_all();
    }
    if (m_unplugOnOpen == access) {
        m_unplugOnOpen.reset();
        if (m_firmware)
            m_firmware->reboot();
        unplugLocked();
    }
    return connection;
}

void SimDevice::accept(const quint8* report, quint16 length)
{
    std::lock_guard lock(m_mutex);
    if (!m_firmware || !m_pluggedIn)
        return;
    m_inbox.emplace_back(reinterpret_cast<const char*>(report), int(length));
    m_wake.notify_all();
}

bool SimDevice::readersHaveRoom() const
{
    if (m_readers.empty())
        return false;
    for (const SimConnection* reader : m_readers)
        if (!reader->hasRoom())
            return false;
    return true;
}

void SimDevice::push(std::unique_lock<std::mutex>& lock, const QByteArray& payload)
{
    Q_UNUSED(lock);
    if (!m_pluggedIn)
        return;
    ++m_repliesSent;
    for (SimConnection* reader : m_readers)
        reader->enqueue(payload);
}

void SimDevice::run()
{
    using Clock = std::chrono::steady_clock;
    std::unique_lock lock(m_mutex);
    Clock::time_point nextBurst = Clock::now();
    const auto stopped = [this] { return m_stop; };
    while (!m_stop) {
        if (!m_inbox.empty()) {
            const QByteArray report = std::move(m_inbox.front());
            m_inbox.pop_front();
            ++m_reportsReceived;
            lock.unlock();
            SimFirmware::Response response = m_firmware->receive(
                reinterpret_cast<const quint8*>(report.constData()), int(report.size()));
            lock.lock();
            for (QByteArray& reply : response.replies) {
                int copies = 1;
                int delay = m_latencyMs;
                if (m_faultFreeReplies > 0) {
                    --m_faultFreeReplies;
                } else {
                    if (m_drop > 0) {
                        --m_drop;
                        continue;
                    }
                    if (m_delayCount > 0) {
                        --m_delayCount;
                        delay += m_delayMs;
                    }
                    if (m_corrupt > 0) {
                        --m_corrupt;
                        for (char& c : reply)
                            c = char(~c);
                    }
                    if (m_duplicate > 0) {
                        --m_duplicate;
                        copies = 2;
                    }
                }
                if (delay > 0 &&
                    m_wake.wait_until(lock, Clock::now() + std::chrono::milliseconds(delay),
                                      stopped))
                    break;
                for (int copy = 0; copy < copies; ++copy) {
                    // Like a USB endpoint, the reply waits for the host to take what is queued
                    // (a stream fills the queue); only a host that stopped reading loses it.
                    m_wake.wait_for(lock, ReplyHoldLimit, [this] {
                        return m_stop || m_readers.empty() || readersHaveRoom();
                    });
                    push(lock, reply);
                }
            }
            if (response.leaveBus && !m_stop) {
                unplugLocked();
                m_wake.wait_for(lock, std::chrono::milliseconds(m_rebootDelayMs), stopped);
                if (!m_stop)
                    plugLocked();
            }
            nextBurst = Clock::now();
            continue;
        }
        if (m_pluggedIn && m_firmware->streaming()) {
            if (!readersHaveRoom()) {
                m_wake.wait(lock);
                continue;
            }
            const Clock::time_point now = Clock::now();
            if (m_burstRate > 0 && now < nextBurst) {
                m_wake.wait_until(lock, nextBurst);
                continue;
            }
            lock.unlock();
            const QByteArray report = m_firmware->nextBurstReport();
            lock.lock();
            push(lock, report);
            if (m_burstRate > 0) {
                nextBurst += std::chrono::microseconds(1000000 / m_burstRate);
                // A reader that stalled does not earn a catch-up flood.
                if (nextBurst < now - std::chrono::milliseconds(50))
                    nextBurst = now;
            }
            continue;
        }
        m_wake.wait(lock);
    }
}

void SimDevice::setSerialNumber(const QString& serial)
{
    std::lock_guard lock(m_mutex);
    m_identity.serial = serial.toStdU16String();
}

void SimDevice::setSerialReadable(bool readable)
{
    std::lock_guard lock(m_mutex);
    m_serialReadable = readable;
}

void SimDevice::setLanguages(const std::u16string& ids)
{
    std::lock_guard lock(m_mutex);
    m_identity.languages = ids;
}

void SimDevice::setLanguagesReadable(bool readable)
{
    std::lock_guard lock(m_mutex);
    m_languagesReadable = readable;
}

void SimDevice::setAttributesReadable(bool readable)
{
    std::lock_guard lock(m_mutex);
    m_attributesReadable = readable;
}

void SimDevice::setDataAccessError(quint32 error)
{
    std::lock_guard lock(m_mutex);
    m_dataAccessError = error;
}

void SimDevice::setOpenable(bool openable)
{
    std::lock_guard lock(m_mutex);
    m_openable = openable;
}

void SimDevice::unplugOnNextOpen(HidAccess access)
{
    std::lock_guard lock(m_mutex);
    m_unplugOnOpen = access;
}

void SimDevice::setReplyLatencyMs(int ms)
{
    std::lock_guard lock(m_mutex);
    m_latencyMs = std::max(0, ms);
}

void SimDevice::dropNextReplies(int count)
{
    std::lock_guard lock(m_mutex);
    m_drop = count;
}

void SimDevice::delayNextReplies(int count, int extraMs)
{
    std::lock_guard lock(m_mutex);
    m_delayCount = count;
    m_delayMs = extraMs;
}

void SimDevice::duplicateNextReplies(int count)
{
    std::lock_guard lock(m_mutex);
    m_duplicate = count;
}

void SimDevice::faultFreeReplies(int count)
{
    std::lock_guard lock(m_mutex);
    m_faultFreeReplies = count;
}

void SimDevice::failReads(int count)
{
    std::lock_guard lock(m_mutex);
    m_failReads = count;
    for (SimConnection* reader : m_readers)
        reader->endPendingRead();
}

void SimDevice::corruptNextReplies(int count)
{
    std::lock_guard lock(m_mutex);
    m_corrupt = count;
}

void SimDevice::failNextReads(int count)
{
    std::lock_guard lock(m_mutex);
    m_failReads = count;
}

void SimDevice::setBurstRate(int reportsPerSecond)
{
    std::lock_guard lock(m_mutex);
    m_burstRate = std::max(0, reportsPerSecond);
    m_wake.notify_all();
}

void SimDevice::setRebootDelayMs(int ms)
{
    std::lock_guard lock(m_mutex);
    m_rebootDelayMs = std::max(0, ms);
}

quint64 SimDevice::repliesSent() const
{
    std::lock_guard lock(m_mutex);
    return m_repliesSent;
}

quint64 SimDevice::reportsReceived() const
{
    std::lock_guard lock(m_mutex);
    return m_reportsReceived;
}
