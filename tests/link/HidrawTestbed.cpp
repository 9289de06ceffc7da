#include "HidrawTestbed.h"

#include "sim/SimUhidDevice.h"

#include <umockdev.h>

#include <QFile>

#include <fcntl.h>
#include <linux/hidraw.h>
#include <linux/usbdevice_fs.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace {

constexpr int ReportBytes = 65; // report ID and payload, as written to the node
constexpr int StreamIntervalMs = 1;

// Writes all of data to fd, waiting while the reader's side is full; false once stopFd fires.
bool writeAll(int fd, int stopFd, const QByteArray& data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        pollfd fds[2] = {{fd, POLLOUT, 0}, {stopFd, POLLIN, 0}};
        ::poll(fds, 2, -1);
        if (fds[1].revents)
            return false;
    }
    return true;
}

// The argument of the client's ioctl at offset, len bytes of its memory; null on failure.
UMockdevIoctlData* resolve(UMockdevIoctlClient* client, gsize offset, gsize len)
{
    GError* error = nullptr;
    UMockdevIoctlData* data =
        umockdev_ioctl_data_resolve(umockdev_ioctl_client_get_arg(client), offset, len, &error);
    if (error)
        g_error_free(error);
    return data;
}

} // namespace

class HidrawTestbed::Bridge
{
public:
    Bridge(UMockdevTestbed* testbed, int number, const QString& serial) : m_testbed(testbed)
    {
        const QString vid = QStringLiteral("%1").arg(TAVIRO_BRIDGE_VID, 4, 16, QLatin1Char('0'));
        const QString pid = QStringLiteral("%1").arg(TAVIRO_BRIDGE_PID, 4, 16, QLatin1Char('0'));
        const QString usb =
            QStringLiteral("/devices/pci0000:00/0000:00:14.0/usb1/1-%1").arg(number + 1);
        const QString interface = usb + QStringLiteral("/1-%1:1.0").arg(number + 1);
        // As the kernel names a HID device: bus, vendor, product and instance, in upper case.
        const QString hid =
            interface + QStringLiteral("/0003:%1:%2.%3")
                            .arg(vid.toUpper(), pid.toUpper(),
                                 QStringLiteral("%1").arg(number + 1, 4, 16, QLatin1Char('0')));
        m_usbPath = QStringLiteral("/sys") + usb;
        m_hidrawPath =
            QStringLiteral("/sys") + hid + QStringLiteral("/hidraw/hidraw%1").arg(number);
        m_node = QStringLiteral("/dev/hidraw%1").arg(number);
        const int devnum = number + 2;
        const QString description =
            QStringLiteral("P: %1\nN: bus/usb/001/%2\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n"
                           "E: DEVNAME=/dev/bus/usb/001/%2\nA: dev=189:%3\nA: idVendor=%4\n"
                           "A: idProduct=%5\nA: bcdDevice=0000\nA: serial=%6\nA: busnum=1\n"
                           "A: devnum=%3\n\n")
                .arg(usb, QStringLiteral("%1").arg(devnum, 3, 10, QLatin1Char('0')))
                .arg(devnum)
                .arg(vid, pid, serial) +
            QStringLiteral("P: %1\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n"
                           "A: bInterfaceClass=03\n\n")
                .arg(interface) +
            QStringLiteral("P: %1\nE: SUBSYSTEM=hid\nE: HID_ID=0003:0000%2:0000%3\n"
                           "E: HID_NAME=Taviro USB-I2C bridge\nE: HID_UNIQ=%4\n\n")
                .arg(hid, vid.toUpper(), pid.toUpper(), serial) +
            QStringLiteral("P: %1/hidraw/hidraw%2\nN: hidraw%2\nE: SUBSYSTEM=hidraw\n"
                           "E: DEVNAME=/dev/hidraw%2\nA: dev=245:%2\n")
                .arg(hid)
                .arg(number);

        GError* error = nullptr;
        if (!umockdev_testbed_add_from_string(m_testbed, description.toUtf8().constData(),
                                              &error)) {
            const std::string message = error ? error->message : "unknown error";
            if (error)
                g_error_free(error);
            throw std::runtime_error("umockdev cannot add the bridge: " + message);
        }
        m_hidrawHandler = umockdev_ioctl_base_new();
        g_signal_connect(m_hidrawHandler, "handle-ioctl", G_CALLBACK(onHidrawIoctl), this);
        g_signal_connect(m_hidrawHandler, "handle-read", G_CALLBACK(onTransfer), this);
        g_signal_connect(m_hidrawHandler, "handle-write", G_CALLBACK(onTransfer), this);
        umockdev_testbed_attach_ioctl(m_testbed, m_node.toUtf8().constData(), m_hidrawHandler,
                                      nullptr);
        m_usbNode = QStringLiteral("/dev/bus/usb/001/%1").arg(devnum, 3, 10, QLatin1Char('0'));
        m_usbHandler = umockdev_ioctl_base_new();
        g_signal_connect(m_usbHandler, "handle-ioctl", G_CALLBACK(onUsbIoctl), this);
        umockdev_testbed_attach_ioctl(m_testbed, m_usbNode.toUtf8().constData(), m_usbHandler,
                                      nullptr);

        m_master = umockdev_testbed_get_dev_fd(m_testbed, m_node.toUtf8().constData());
        m_stop = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        m_pump = std::thread([this] { pump(); });
    }

    ~Bridge()
    {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_stop, &one, sizeof one);
        m_pump.join();
        ::close(m_stop);
        if (!m_unplugged)
            remove();
        g_object_unref(m_hidrawHandler);
        g_object_unref(m_usbHandler);
    }

    void remove()
    {
        m_unplugged = true;
        umockdev_testbed_uevent(m_testbed, m_hidrawPath.toUtf8().constData(), "remove");
        umockdev_testbed_detach_ioctl(m_testbed, m_node.toUtf8().constData(), nullptr);
        umockdev_testbed_detach_ioctl(m_testbed, m_usbNode.toUtf8().constData(), nullptr);
        umockdev_testbed_remove_device(m_testbed, m_usbPath.toUtf8().constData());
    }

    QString node() const { return m_node; }
    SimFirmware& firmware() { return m_firmware; }
    void setSilent(bool silent) { m_silent = silent; }
    int taken() const { return m_taken; }
    int languageRequests() const { return m_languageRequests; }
    bool unplugged() const { return m_unplugged; }

private:
    // The node's ioctls: the report descriptor and the raw info, as hidraw answers them.
    static gboolean onHidrawIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        auto* bridge = static_cast<Bridge*>(self);
        if (bridge->m_unplugged) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        const QByteArray descriptor = SimUhidDevice::reportDescriptor();
        const gulong request = umockdev_ioctl_client_get_request(client);
        if (request == HIDIOCGRDESCSIZE) {
            UMockdevIoctlData* size = resolve(client, 0, sizeof(int));
            if (!size)
                return FALSE;
            const int value = int(descriptor.size());
            std::memcpy(size->data, &value, sizeof value);
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        }
        if (request == HIDIOCGRDESC) {
            UMockdevIoctlData* out = resolve(client, 0, sizeof(hidraw_report_descriptor));
            if (!out)
                return FALSE;
            auto* d = reinterpret_cast<hidraw_report_descriptor*>(out->data);
            if (d->size > HID_MAX_DESCRIPTOR_SIZE) {
                umockdev_ioctl_client_complete(client, -1, EINVAL);
                return TRUE;
            }
            std::memcpy(d->value, descriptor.constData(),
                        std::min<size_t>(d->size, size_t(descriptor.size())));
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        }
        if (request == HIDIOCGRAWINFO) {
            UMockdevIoctlData* out = resolve(client, 0, sizeof(hidraw_devinfo));
            if (!out)
                return FALSE;
            auto* info = reinterpret_cast<hidraw_devinfo*>(out->data);
            info->bustype = 0x03; // BUS_USB
            info->vendor = __s16(TAVIRO_BRIDGE_VID);
            info->product = __s16(TAVIRO_BRIDGE_PID);
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        }
        umockdev_ioctl_client_complete(client, -1, ENOTTY);
        return TRUE;
    }

    // Reads and writes go to the pseudo-terminal, except on an unplugged node.
    static gboolean onTransfer(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        if (!static_cast<Bridge*>(self)->m_unplugged)
            return FALSE;
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }

    // The USB node: GET_DESCRIPTOR of string descriptor 0, the languages of its strings.
    static gboolean onUsbIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        auto* bridge = static_cast<Bridge*>(self);
        if (bridge->m_unplugged || umockdev_ioctl_client_get_request(client) != USBDEVFS_CONTROL) {
            umockdev_ioctl_client_complete(client, -1, bridge->m_unplugged ? ENODEV : ENOTTY);
            return TRUE;
        }
        UMockdevIoctlData* arg = resolve(client, 0, sizeof(usbdevfs_ctrltransfer));
        if (!arg)
            return FALSE;
        const auto* transfer = reinterpret_cast<const usbdevfs_ctrltransfer*>(arg->data);
        static const quint8 languages[] = {6, 0x03, 0x09, 0x04, 0x07, 0x04}; // en-US, de-DE
        if (transfer->bRequestType != 0x80 || transfer->bRequest != 0x06 ||
            transfer->wValue != 0x0300) {
            umockdev_ioctl_client_complete(client, -1, EPIPE);
            return TRUE;
        }
        const gsize length = std::min<gsize>(transfer->wLength, sizeof languages);
        GError* error = nullptr;
        UMockdevIoctlData* data = umockdev_ioctl_data_resolve(
            arg, offsetof(usbdevfs_ctrltransfer, data), transfer->wLength, &error);
        if (!data) {
            if (error)
                g_error_free(error);
            return FALSE;
        }
        std::memcpy(data->data, languages, length);
        ++bridge->m_languageRequests;
        umockdev_ioctl_client_complete(client, glong(length), 0);
        return TRUE;
    }

    // The bridge's side of the node: takes every 65-byte report, answers it with the
    // firmware's replies, and streams burst reports while the firmware streams.
    void pump()
    {
        using Clock = std::chrono::steady_clock;
        QByteArray pending;
        Clock::time_point nextStream = Clock::now();
        for (;;) {
            const bool streaming = !m_silent && !m_unplugged && m_firmware.streaming();
            pollfd fds[2] = {{m_master, POLLIN, 0}, {m_stop, POLLIN, 0}};
            ::poll(fds, 2, streaming ? StreamIntervalMs : 100);
            if (fds[1].revents)
                return;
            if (fds[0].revents & POLLIN) {
                char buffer[4096];
                const ssize_t n = ::read(m_master, buffer, sizeof buffer);
                if (n > 0)
                    pending.append(buffer, n);
            }
            while (pending.size() >= ReportBytes) {
                const QByteArray report = pending.first(ReportBytes);
                pending.remove(0, ReportBytes);
                ++m_taken;
                if (m_silent || m_unplugged)
                    continue;
                const SimFirmware::Response response = m_firmware.receive(
                    reinterpret_cast<const quint8*>(report.constData()) + 1, ReportBytes - 1);
                for (const QByteArray& reply : response.replies)
                    if (!writeAll(m_master, m_stop, reply))
                        return;
            }
            if (streaming && Clock::now() >= nextStream) {
                nextStream = Clock::now() + std::chrono::milliseconds(StreamIntervalMs);
                if (!writeAll(m_master, m_stop, m_firmware.nextBurstReport()))
                    return;
            }
        }
    }

    UMockdevTestbed* m_testbed;
    QString m_usbPath;
    QString m_hidrawPath;
    QString m_node;
    QString m_usbNode;
    UMockdevIoctlBase* m_hidrawHandler = nullptr;
    UMockdevIoctlBase* m_usbHandler = nullptr;
    SimFirmware m_firmware;
    std::atomic<bool> m_unplugged{false};
    std::atomic<bool> m_silent{false};
    std::atomic<int> m_taken{0};
    std::atomic<int> m_languageRequests{0};
    int m_master = -1;
    int m_stop = -1;
    std::thread m_pump;
};

HidrawTestbed::HidrawTestbed() : m_testbed(umockdev_testbed_new()) {}

HidrawTestbed::~HidrawTestbed()
{
    m_bridges.clear();
    g_object_unref(m_testbed);
}

bool HidrawTestbed::available() const
{
    return umockdev_in_mock_environment();
}

QString HidrawTestbed::rootDir() const
{
    gchar* root = umockdev_testbed_get_root_dir(m_testbed);
    const QString dir = QString::fromUtf8(root);
    g_free(root);
    return dir;
}

int HidrawTestbed::addBridge(const QString& serial)
{
    m_bridges.push_back(std::make_unique<Bridge>(m_testbed, int(m_bridges.size()), serial));
    return int(m_bridges.size()) - 1;
}

void HidrawTestbed::removeBridge(int bridge)
{
    m_bridges.at(size_t(bridge))->remove();
}

QString HidrawTestbed::nodePath(int bridge) const
{
    return m_bridges.at(size_t(bridge))->node();
}

void HidrawTestbed::closeNode(int bridge)
{
    // The node links to a pseudo-terminal outside the testbed, which the preload library
    // would redirect into it: changed with the redirection off.
    const QString link = rootDir() + nodePath(bridge);
    umockdev_testbed_disable(m_testbed);
    const QByteArray target = QFile::symLinkTarget(link).toLocal8Bit();
    const int changed = ::chmod(target.constData(), 0);
    umockdev_testbed_enable(m_testbed);
    if (changed != 0)
        throw std::runtime_error("cannot close the node " + target.toStdString());
}

SimFirmware& HidrawTestbed::firmware(int bridge)
{
    return m_bridges.at(size_t(bridge))->firmware();
}

void HidrawTestbed::setSilent(int bridge, bool silent)
{
    m_bridges.at(size_t(bridge))->setSilent(silent);
}

int HidrawTestbed::reportsTaken(int bridge) const
{
    return m_bridges.at(size_t(bridge))->taken();
}

int HidrawTestbed::languageRequests(int bridge) const
{
    return m_bridges.at(size_t(bridge))->languageRequests();
}
