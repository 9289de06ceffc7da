#include "link/HidrawPlatform.h"

#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <libudev.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <thread>

namespace {

constexpr int CoalesceMs = 100;
constexpr int RescanMs = 1500;
// udev applies the uaccess ACL a moment after the node appears.
constexpr int AccessRetryWindowMs = 3000;
constexpr int AccessRetryForMs = 500;
constexpr int AccessRetryStepMs = 50;

QString text(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

qint64 nodeAgeMs(const QString& devnode)
{
    struct stat st
    {
    };
    if (::stat(devnode.toLocal8Bit().constData(), &st) != 0)
        return -1;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return (now.tv_sec - st.st_ctim.tv_sec) * 1000 + (now.tv_nsec - st.st_ctim.tv_nsec) / 1000000;
}

// retry: the node appeared a moment ago and udev may not have applied its ACL yet.
int openNode(const QString& devnode, int flags, bool retry, quint32& error)
{
    const QByteArray path = devnode.toLocal8Bit();
    int fd = ::open(path.constData(), flags | O_CLOEXEC);
    if (fd < 0 && errno == EACCES && retry && nodeAgeMs(devnode) < AccessRetryWindowMs) {
        for (int waited = 0; fd < 0 && errno == EACCES && waited < AccessRetryForMs;
             waited += AccessRetryStepMs) {
            ::usleep(AccessRetryStepMs * 1000);
            fd = ::open(path.constData(), flags | O_CLOEXEC);
        }
    }
    if (fd < 0)
        error = quint32(errno);
    return fd;
}

// The language IDs of string descriptor 0, by a GET_DESCRIPTOR control transfer on the USB
// device node (needs write access to it).
bool readLanguages(const QString& usbDevnode, std::u16string& out)
{
    if (usbDevnode.isEmpty())
        return false;
    const int fd = ::open(usbDevnode.toLocal8Bit().constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    unsigned char buffer[255] = {};
    usbdevfs_ctrltransfer transfer{};
    transfer.bRequestType = 0x80; // device to host, standard, device
    transfer.bRequest = 0x06;     // GET_DESCRIPTOR
    transfer.wValue = 0x0300;     // string descriptor 0
    transfer.wIndex = 0;
    transfer.wLength = sizeof buffer;
    transfer.timeout = 1000;
    transfer.data = buffer;
    const int n = ::ioctl(fd, USBDEVFS_CONTROL, &transfer);
    ::close(fd);
    if (n < 2 || buffer[1] != 0x03)
        return false;
    const int length = std::min<int>(n, buffer[0]);
    out.clear();
    for (int i = 2; i + 1 < length; i += 2)
        out.push_back(char16_t(buffer[i] | (buffer[i + 1] << 8)));
    return true;
}

// The report descriptor as the node itself gives it (HIDIOCGRDESC), for where sysfs does not
// show it; invalid lengths when the node does not answer.
HidReportDescriptor::Lengths descriptorOfNode(int fd)
{
    HidReportDescriptor::Lengths lengths;
    lengths.valid = false;
    int size = 0;
    if (::ioctl(fd, HIDIOCGRDESCSIZE, &size) < 0 || size <= 0 || size > HID_MAX_DESCRIPTOR_SIZE)
        return lengths;
    hidraw_report_descriptor descriptor{};
    descriptor.size = quint32(size);
    if (::ioctl(fd, HIDIOCGRDESC, &descriptor) < 0)
        return lengths;
    return HidReportDescriptor::parse(
        QByteArray(reinterpret_cast<const char*>(descriptor.value), size));
}

// Query handle: everything comes from udev and sysfs; ReadWrite access keeps the node open.
class HidrawQuery : public HidConnection
{
public:
    HidrawQuery(HidrawPlatform::Node node, int fd) : m_node(std::move(node)), m_fd(fd) {}
    ~HidrawQuery() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool attributes(THidAttributes& out) override
    {
        out = m_node.attributes;
        return true;
    }
    bool serialNumber(std::u16string& out) override
    {
        if (!m_node.hasSerial)
            return false;
        out = m_node.serial.substr(0, 254);
        return true;
    }
    bool stringDescriptor0(std::u16string& out) override
    {
        // Without access to the USB node: the language the kernel read the strings in.
        if (!readLanguages(m_node.usbDevnode, out))
            out.assign(1, char16_t(0x0409));
        return true;
    }
    bool caps(THidCaps& out) override
    {
        if (!m_node.lengths.valid && m_fd >= 0)
            m_node.lengths = descriptorOfNode(m_fd);
        if (!m_node.lengths.valid)
            return false;
        out.InputReportByteLength = m_node.lengths.input;
        out.OutputReportByteLength = m_node.lengths.output;
        return true;
    }
    bool startRead(quint8*, quint16, quint32& error) override
    {
        error = EBADF;
        return false;
    }
    bool waitRead(int) override { return true; }
    quint32 readResult() override { return 0; }
    bool startWrite(const quint8*, quint16, quint32& error) override
    {
        error = EBADF;
        return false;
    }
    bool waitWrite(int) override { return true; }
    quint32 writeResult() override { return 0; }
    bool cancel(THidTransfer) override { return false; }

private:
    HidrawPlatform::Node m_node;
    int m_fd;
};

// The transfer handles answer no queries.
class HidrawTransfer : public HidConnection
{
public:
    bool attributes(THidAttributes&) override { return false; }
    bool serialNumber(std::u16string&) override { return false; }
    bool stringDescriptor0(std::u16string&) override { return false; }
    bool caps(THidCaps&) override { return false; }
    bool startRead(quint8*, quint16, quint32& error) override
    {
        error = EBADF;
        return false;
    }
    bool waitRead(int) override { return true; }
    quint32 readResult() override { return 0; }
    bool startWrite(const quint8*, quint16, quint32& error) override
    {
        error = EBADF;
        return false;
    }
    bool waitWrite(int) override { return true; }
    quint32 writeResult() override { return 0; }
};

// Read handle: a non-blocking node polled together with an eventfd, so that a wait ends at
// once when the read is cancelled. The read itself happens in waitRead(), on the reader's
// own thread; the kernel drops reports when its queue is full, so the reader must not dawdle.
class HidrawReader : public HidrawTransfer
{
public:
    HidrawReader(int fd, bool usesReportIds)
        : m_fd(fd), m_wake(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), m_ids(usesReportIds)
    {}
    ~HidrawReader() override
    {
        ::close(m_fd);
        if (m_wake >= 0)
            ::close(m_wake);
    }
    bool startRead(quint8* buffer, quint16 length, quint32& error) override
    {
        if (m_fatal != 0) {
            error = m_fatal;
            return false;
        }
        quint64 drained = 0;
        while (::read(m_wake, &drained, sizeof drained) > 0) {
        }
        m_cancelled = false;
        m_buffer = buffer;
        m_length = length;
        m_result = 0;
        m_pending = true;
        return true;
    }
    bool waitRead(int timeoutMs) override
    {
        if (!m_pending)
            return true;
        pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wake, POLLIN, 0}};
        const int ready = ::poll(fds, 2, timeoutMs);
        if (m_cancelled || fds[1].revents) {
            m_pending = false;
            return true;
        }
        if (ready <= 0)
            return false; // time-out (or EINTR: the caller waits again)
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            m_fatal = ENODEV;
            m_pending = false;
            return true;
        }
        ssize_t n = 0;
        if (m_ids) {
            n = ::read(m_fd, m_buffer, m_length);
        } else if (m_length > 0) {
            // No report IDs: the kernel gives the payload alone; the layer expects ID 0 first.
            n = ::read(m_fd, m_buffer + 1, m_length - 1u);
            if (n >= 0) {
                m_buffer[0] = 0;
                ++n;
            }
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR)
                return false;
            m_fatal = quint32(errno);
            n = 0;
        }
        m_result = quint32(n);
        m_pending = false;
        return true;
    }
    quint32 readResult() override { return m_result; }
    bool cancel(THidTransfer direction) override
    {
        if (direction != THidTransfer::Read)
            return false;
        m_cancelled = true;
        const quint64 one = 1;
        return ::write(m_wake, &one, sizeof one) == ssize_t(sizeof one);
    }

private:
    const int m_fd;
    const int m_wake;
    const bool m_ids;
    std::atomic<bool> m_cancelled{false};
    // Used by the reading thread only:
    quint8* m_buffer = nullptr;
    quint16 m_length = 0;
    quint32 m_result = 0;
    bool m_pending = false;
    quint32 m_fatal = 0;
};

// Write handle. write() on hidraw blocks in the kernel until the interrupt transfer ends and
// cannot be cancelled there, so it runs on a thread of its own; a cancel completes the
// waiting side at once and the late result is discarded. The thread outlives the handle
// while the kernel still holds it.
class HidrawWriter : public HidrawTransfer
{
public:
    explicit HidrawWriter(int fd) : m_state(std::make_shared<State>())
    {
        m_state->fd = fd;
        std::thread([state = m_state] { work(*state); }).detach();
    }
    ~HidrawWriter() override
    {
        {
            std::lock_guard lock(m_state->mutex);
            m_state->stop = true;
        }
        m_state->wake.notify_all();
    }
    bool startWrite(const quint8* buffer, quint16 length, quint32& error) override
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->fatal != 0) {
            error = m_state->fatal;
            return false;
        }
        if (m_state->pending) {
            error = EBUSY;
            return false;
        }
        m_state->next = QByteArray(reinterpret_cast<const char*>(buffer), length);
        m_state->hasNext = true;
        m_state->pending = true;
        m_state->result = 0;
        ++m_state->job;
        m_state->wake.notify_all();
        return true;
    }
    bool waitWrite(int timeoutMs) override
    {
        std::unique_lock lock(m_state->mutex);
        return m_state->done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                      [&] { return !m_state->pending; });
    }
    quint32 writeResult() override
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->result;
    }
    bool cancel(THidTransfer direction) override
    {
        if (direction != THidTransfer::Write)
            return false;
        std::lock_guard lock(m_state->mutex);
        // The kernel may still deliver it, but nobody waits for the outcome any more.
        m_state->pending = false;
        m_state->result = 0;
        m_state->done.notify_all();
        return true;
    }

private:
    struct State
    {
        std::mutex mutex; // protects every member below but fd
        std::condition_variable wake;
        std::condition_variable done;
        int fd = -1;
        QByteArray next;
        bool hasNext = false;
        bool pending = false; // the waiting side's view: a write is outstanding
        quint32 result = 0;   // bytes the last write delivered, for the waiting side
        quint64 job = 0;
        quint32 fatal = 0;
        bool stop = false;
    };

    static void work(State& state)
    {
        std::unique_lock lock(state.mutex);
        for (;;) {
            state.wake.wait(lock, [&] { return state.hasNext || state.stop; });
            if (!state.hasNext)
                break;
            const QByteArray report = std::move(state.next);
            const quint64 job = state.job;
            state.hasNext = false;
            lock.unlock();
            const ssize_t n = ::write(state.fd, report.constData(), size_t(report.size()));
            const int error = n < 0 ? errno : 0;
            lock.lock();
            if (error == ENODEV || error == EIO || error == EPIPE)
                state.fatal = quint32(error);
            // A cancelled write is no longer pending: its late outcome is not reported.
            if (job == state.job && !state.hasNext && state.pending) {
                state.result = n > 0 ? quint32(n) : 0;
                state.pending = false;
                state.done.notify_all();
            }
        }
        ::close(state.fd);
    }

    std::shared_ptr<State> m_state;
};

} // namespace

HidrawPlatform::HidrawPlatform(QObject* parent) : QObject(parent)
{
    m_coalesce.setSingleShot(true);
    m_coalesce.setInterval(CoalesceMs);
    connect(&m_coalesce, &QTimer::timeout, this, [this] {
        if (m_onChange)
            m_onChange();
    });
    m_rescan.setInterval(RescanMs);
    connect(&m_rescan, &QTimer::timeout, this, [this] {
        if (m_onChange)
            m_onChange();
    });
}

HidrawPlatform::~HidrawPlatform()
{
    stop();
    if (m_udev)
        udev_unref(m_udev);
}

bool HidrawPlatform::start(std::function<void()> onChange)
{
    if (!m_udev)
        m_udev = udev_new();
    if (!m_udev)
        return false;
    m_onChange = std::move(onChange);
    const bool udevd = QFile::exists(QStringLiteral("/run/udev/control"));
    m_monitor = udev_monitor_new_from_netlink(m_udev, udevd ? "udev" : "kernel");
    if (m_monitor) {
        udev_monitor_filter_add_match_subsystem_devtype(m_monitor, "hidraw", nullptr);
        if (udev_monitor_enable_receiving(m_monitor) == 0) {
            m_notifier =
                new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
            connect(m_notifier, &QSocketNotifier::activated, this,
                    &HidrawPlatform::monitorActivity);
        }
    }
    if (!udevd || !m_notifier)
        m_rescan.start();
    return true;
}

void HidrawPlatform::stop()
{
    m_onChange = {};
    m_coalesce.stop();
    m_rescan.stop();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_monitor)
        udev_monitor_unref(m_monitor);
    m_monitor = nullptr;
}

void HidrawPlatform::monitorActivity()
{
    while (udev_device* device = udev_monitor_receive_device(m_monitor))
        udev_device_unref(device);
    if (!m_coalesce.isActive())
        m_coalesce.start();
}

QList<HidInterfaceInfo> HidrawPlatform::enumerate()
{
    QList<HidInterfaceInfo> found;
    if (!m_udev)
        return found;
    std::map<QString, Node> nodes;
    udev_enumerate* enumeration = udev_enumerate_new(m_udev);
    udev_enumerate_add_match_subsystem(enumeration, "hidraw");
    udev_enumerate_scan_devices(enumeration);
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration))
    {
        udev_device* raw = udev_device_new_from_syspath(m_udev, udev_list_entry_get_name(entry));
        if (!raw)
            continue;
        Node node;
        node.devnode = text(udev_device_get_devnode(raw));
        udev_device* hid = udev_device_get_parent_with_subsystem_devtype(raw, "hid", nullptr);
        if (node.devnode.isEmpty() || !hid) {
            udev_device_unref(raw);
            continue;
        }
        // HID_ID is "bus:vendor:product" in hexadecimal.
        const QStringList id = text(udev_device_get_property_value(hid, "HID_ID")).split(u':');
        if (id.size() == 3) {
            node.attributes.VendorID = quint16(id[1].toUInt(nullptr, 16));
            node.attributes.ProductID = quint16(id[2].toUInt(nullptr, 16));
        }
        const char* uniq = udev_device_get_property_value(hid, "HID_UNIQ");
        udev_device* usb = udev_device_get_parent_with_subsystem_devtype(raw, "usb", "usb_device");
        udev_device* usbInterface =
            udev_device_get_parent_with_subsystem_devtype(raw, "usb", "usb_interface");
        if ((!uniq || !*uniq) && usb)
            uniq = udev_device_get_sysattr_value(usb, "serial");
        if (uniq && *uniq) {
            node.serial = QString::fromUtf8(uniq).toStdU16String();
            node.hasSerial = true;
        }
        if (usb) {
            node.attributes.VersionNumber =
                quint16(text(udev_device_get_sysattr_value(usb, "bcdDevice")).toUInt(nullptr, 16));
            node.usbDevnode = text(udev_device_get_devnode(usb));
        }
        // The interface's name stays while the device is plugged in; the USB device number
        // changes when it re-enumerates (into its boot loader, say).
        if (usbInterface)
            node.identity = text(udev_device_get_sysname(usbInterface)) + u'#' +
                            text(usb ? udev_device_get_sysattr_value(usb, "devnum") : nullptr);
        else
            node.identity = text(udev_device_get_syspath(raw));
        QFile descriptor(text(udev_device_get_syspath(raw)) +
                         QStringLiteral("/device/report_descriptor"));
        if (descriptor.open(QIODevice::ReadOnly))
            node.lengths = HidReportDescriptor::parse(descriptor.readAll());
        else
            node.lengths.valid = false;
        udev_device_unref(raw);
        found.append({node.identity, node.devnode});
        nodes.emplace(node.devnode, std::move(node));
    }
    udev_enumerate_unref(enumeration);
    std::lock_guard lock(m_mutex);
    m_nodes = std::move(nodes);
    return found;
}

std::unique_ptr<HidConnection> HidrawPlatform::open(const QString& path, HidAccess access,
                                                    quint32& error)
{
    Node node;
    bool retry = false;
    {
        std::lock_guard lock(m_mutex);
        const auto it = m_nodes.find(path);
        if (it == m_nodes.end()) {
            error = ENOENT;
            return nullptr;
        }
        node = it->second;
        // Only the first open of a node waits for its ACL; without access, later ones fail
        // at once.
        retry = m_accessRetried.insert(node.identity + u' ' + path).second;
    }
    // A copy that shares no string data with the table the GUI thread replaces.
    for (QString* s : {&node.identity, &node.devnode, &node.usbDevnode})
        *s = QString(s->constData(), s->size());
    switch (access) {
    case HidAccess::Query:
        if (::access(path.toLocal8Bit().constData(), F_OK) != 0) {
            error = quint32(errno);
            return nullptr;
        }
        return std::make_unique<HidrawQuery>(std::move(node), -1);
    case HidAccess::ReadWrite: {
        const int fd = openNode(path, O_RDWR, retry, error);
        if (fd < 0)
            return nullptr;
        return std::make_unique<HidrawQuery>(std::move(node), fd);
    }
    case HidAccess::Read: {
        const int fd = openNode(path, O_RDONLY | O_NONBLOCK, retry, error);
        if (fd < 0)
            return nullptr;
        if (!node.lengths.valid)
            node.lengths = descriptorOfNode(fd);
        return std::make_unique<HidrawReader>(fd, node.lengths.usesReportIds);
    }
    case HidAccess::Write: {
        const int fd = openNode(path, O_WRONLY, retry, error);
        if (fd < 0)
            return nullptr;
        return std::make_unique<HidrawWriter>(fd);
    }
    }
    error = EINVAL;
    return nullptr;
}
