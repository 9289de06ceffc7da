#pragma once

#include "link/HidPlatform.h"

#include <QByteArray>
#include <QList>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

// A scripted HidPlatform: the test sets the present interfaces, fires the change notification
// itself, and scripts what each read delivers (exact byte counts, 0-byte completions, failed
// starts). Thread-safe where the read and transfer threads use it.
class FakeHidPlatform : public HidPlatform
{
public:
    struct Interface
    {
        QString identity;
        QString path;
        THidAttributes attributes{0x1209, 0x000A, 0};
        std::optional<std::u16string> serial = u"S1";
        std::optional<std::u16string> languages = std::u16string(1, char16_t(0x0409));
        THidCaps caps{65, 65};
        bool openable = true;     // false: no open at all
        bool dataAccess = true;   // false: only Query opens succeed (EACCES otherwise)
        bool identifiable = true; // false: attributes() fails
    };

    static Interface iface(const QString& name)
    {
        Interface i;
        i.identity = QStringLiteral("id-") + name;
        i.path = QStringLiteral("/fake/") + name;
        i.serial = name.toStdU16String();
        return i;
    }

    bool startFails = false;
    // Writes stay pending until they are cancelled, as to a device that stopped taking reports.
    std::atomic<bool> holdWrites{false};

    void plug(const Interface& i)
    {
        std::lock_guard lock(m_mutex);
        m_present.append(i);
    }
    void unplug(const QString& name)
    {
        std::lock_guard lock(m_mutex);
        m_present.removeIf(
            [&](const Interface& i) { return i.path == QStringLiteral("/fake/") + name; });
    }

    // Reads of the interface at path deliver these in order; an empty array completes a read
    // with 0 bytes. A read with nothing scripted stays pending until cancelled.
    void queueRead(const QString& path, const QByteArray& report)
    {
        std::lock_guard lock(m_mutex);
        m_reads[path].push_back(report);
        m_readReady.notify_all();
    }
    // The next read starts at path fail with this errno.
    void failReadStarts(const QString& path, int count, quint32 error = EIO)
    {
        std::lock_guard lock(m_mutex);
        m_failures[path] = {count, error};
    }
    int opens(HidAccess access) const
    {
        std::lock_guard lock(m_mutex);
        return m_opens[int(access)];
    }
    QList<QByteArray> written() const
    {
        std::lock_guard lock(m_mutex);
        return m_written;
    }

    void change() const
    {
        if (m_onChange)
            m_onChange();
    }

    bool start(std::function<void()> onChange) override
    {
        if (startFails)
            return false;
        m_onChange = std::move(onChange);
        return true;
    }
    void stop() override { m_onChange = {}; }
    QList<HidInterfaceInfo> enumerate() override
    {
        std::lock_guard lock(m_mutex);
        QList<HidInterfaceInfo> list;
        for (const Interface& i : m_present)
            list.append({i.identity, i.path});
        return list;
    }
    std::unique_ptr<HidConnection> open(const QString& path, HidAccess access,
                                        quint32& error) override;

private:
    class Connection;
    friend class Connection;

    std::function<void()> m_onChange;
    mutable std::mutex m_mutex; // protects m_present, m_reads, m_failures, m_opens, m_written
    QList<Interface> m_present;
    std::condition_variable m_readReady;
    std::condition_variable m_writeDone;
    std::map<QString, std::deque<QByteArray>> m_reads;
    std::map<QString, std::pair<int, quint32>> m_failures;
    int m_opens[4] = {};
    QList<QByteArray> m_written;
};

class FakeHidPlatform::Connection : public HidConnection
{
public:
    Connection(FakeHidPlatform& platform, Interface iface)
        : m_platform(platform), m_iface(std::move(iface))
    {}
    bool attributes(THidAttributes& out) override
    {
        out = m_iface.attributes;
        return m_iface.identifiable;
    }
    bool serialNumber(std::u16string& out) override
    {
        if (!m_iface.serial)
            return false;
        out = *m_iface.serial;
        return true;
    }
    bool stringDescriptor0(std::u16string& out) override
    {
        if (!m_iface.languages)
            return false;
        out = *m_iface.languages;
        return true;
    }
    bool caps(THidCaps& out) override
    {
        out = m_iface.caps;
        return true;
    }
    bool startRead(quint8* buffer, quint16 length, quint32& error) override
    {
        std::lock_guard lock(m_platform.m_mutex);
        auto& failure = m_platform.m_failures[m_iface.path];
        if (failure.first > 0) {
            --failure.first;
            error = failure.second;
            return false;
        }
        m_buffer = buffer;
        m_length = length;
        m_pending = true;
        m_cancelled = false;
        return true;
    }
    bool waitRead(int timeoutMs) override
    {
        std::unique_lock lock(m_platform.m_mutex);
        auto& queue = m_platform.m_reads[m_iface.path];
        m_platform.m_readReady.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                        [&] { return !queue.empty() || m_cancelled; });
        if (m_cancelled) {
            m_result = 0;
            m_pending = false;
            return true;
        }
        if (queue.empty())
            return false;
        const QByteArray report = queue.front();
        queue.pop_front();
        m_result = quint32(std::min<qsizetype>(report.size(), m_length));
        std::copy_n(report.constData(), m_result, reinterpret_cast<char*>(m_buffer));
        m_pending = false;
        return true;
    }
    quint32 readResult() override
    {
        std::lock_guard lock(m_platform.m_mutex);
        return m_result;
    }
    bool startWrite(const quint8* buffer, quint16 length, quint32&) override
    {
        std::lock_guard lock(m_platform.m_mutex);
        m_writeResult = 0;
        if (m_platform.holdWrites) {
            m_writePending = true;
            return true;
        }
        m_platform.m_written.append(QByteArray(reinterpret_cast<const char*>(buffer), length));
        m_writeResult = length;
        return true;
    }
    quint32 writeResult() override
    {
        std::lock_guard lock(m_platform.m_mutex);
        return m_writeResult;
    }
    bool waitWrite(int timeoutMs) override
    {
        std::unique_lock lock(m_platform.m_mutex);
        return m_platform.m_writeDone.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                               [&] { return !m_writePending; });
    }
    bool cancel(THidTransfer direction) override
    {
        std::lock_guard lock(m_platform.m_mutex);
        if (direction == THidTransfer::Read && m_pending) {
            m_cancelled = true;
            m_platform.m_readReady.notify_all();
        }
        if (direction == THidTransfer::Write && m_writePending) {
            m_writePending = false;
            m_platform.m_writeDone.notify_all();
        }
        return true;
    }

private:
    FakeHidPlatform& m_platform;
    const Interface m_iface;
    // Guarded by the platform's m_mutex:
    quint8* m_buffer = nullptr;
    quint16 m_length = 0;
    quint32 m_result = 0;
    bool m_pending = false;
    bool m_cancelled = false;
    bool m_writePending = false;
    quint32 m_writeResult = 0;
};

inline std::unique_ptr<HidConnection> FakeHidPlatform::open(const QString& path, HidAccess access,
                                                            quint32& error)
{
    std::lock_guard lock(m_mutex);
    for (const Interface& i : m_present) {
        if (i.path != path)
            continue;
        if (!i.openable) {
            error = ENXIO;
            return nullptr;
        }
        if (access != HidAccess::Query && !i.dataAccess) {
            error = EACCES;
            return nullptr;
        }
        ++m_opens[int(access)];
        return std::make_unique<Connection>(*this, i);
    }
    error = ENODEV;
    return nullptr;
}
