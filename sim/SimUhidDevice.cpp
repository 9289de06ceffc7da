#include "sim/SimUhidDevice.h"

#include <fcntl.h>
#include <linux/uhid.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <QFile>

#include <cerrno>
#include <cstring>

namespace {
constexpr char UhidPath[] = "/dev/uhid";
constexpr int BurstPeriodMs = 1;
constexpr int RebootDelayMs = 100;

bool writeEvent(int fd, const uhid_event& event)
{
    return ::write(fd, &event, sizeof event) == ssize_t(sizeof event);
}
} // namespace

SimUhidDevice::SimUhidDevice(const QString& serial) : m_serial(serial) {}

SimUhidDevice::~SimUhidDevice()
{
    if (m_stopFd >= 0) {
        const quint64 one = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_stopFd, &one, sizeof one);
    }
    if (m_thread.joinable())
        m_thread.join();
    if (m_fd >= 0) {
        sendDestroy();
        ::close(m_fd);
    }
    if (m_stopFd >= 0)
        ::close(m_stopFd);
}

bool SimUhidDevice::available()
{
    return QFile::exists(QString::fromLatin1(UhidPath));
}

QByteArray SimUhidDevice::reportDescriptor()
{
    static const unsigned char descriptor[] = {
        0x06, 0x00, 0xFF, // Usage Page (vendor 0xFF00)
        0x09, 0x01,       // Usage (1)
        0xA1, 0x01,       // Collection (Application)
        0x15, 0x00,       //   Logical Minimum (0)
        0x26, 0xFF, 0x00, //   Logical Maximum (255)
        0x75, 0x08,       //   Report Size (8)
        0x95, 0x40,       //   Report Count (64)
        0x09, 0x01,       //   Usage (1)
        0x81, 0x02,       //   Input (Data, Variable, Absolute)
        0x95, 0x40,       //   Report Count (64)
        0x09, 0x01,       //   Usage (1)
        0x91, 0x02,       //   Output (Data, Variable, Absolute)
        0xC0,             // End Collection
    };
    return QByteArray(reinterpret_cast<const char*>(descriptor), int(sizeof descriptor));
}

bool SimUhidDevice::create(QString* error)
{
    m_fd = ::open(UhidPath, O_RDWR | O_CLOEXEC);
    if (m_fd < 0) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_stopFd = ::eventfd(0, EFD_CLOEXEC);
    if (!sendCreate()) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_thread = std::thread([this] { run(); });
    return true;
}

bool SimUhidDevice::sendCreate()
{
    uhid_event event{};
    event.type = UHID_CREATE2;
    auto& c = event.u.create2;
    std::strncpy(reinterpret_cast<char*>(c.name), "Taviro simulated bridge", sizeof c.name - 1);
    const QByteArray uniq = m_serial.toUtf8();
    std::strncpy(reinterpret_cast<char*>(c.uniq), uniq.constData(), sizeof c.uniq - 1);
    const QByteArray descriptor = reportDescriptor();
    std::memcpy(c.rd_data, descriptor.constData(), size_t(descriptor.size()));
    c.rd_size = quint16(descriptor.size());
    c.bus = 0x03; // BUS_USB
    c.vendor = TAVIRO_BRIDGE_VID;
    c.product = TAVIRO_BRIDGE_PID;
    c.version = 0;
    return writeEvent(m_fd, event);
}

void SimUhidDevice::sendDestroy()
{
    uhid_event event{};
    event.type = UHID_DESTROY;
    writeEvent(m_fd, event);
}

void SimUhidDevice::sendInput(const QByteArray& payload)
{
    uhid_event event{};
    event.type = UHID_INPUT2;
    event.u.input2.size = quint16(payload.size());
    std::memcpy(event.u.input2.data, payload.constData(), size_t(payload.size()));
    writeEvent(m_fd, event);
}

void SimUhidDevice::run()
{
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_stopFd, POLLIN, 0}};
    for (;;) {
        const int timeout = m_firmware.streaming() ? BurstPeriodMs : -1;
        const int ready = ::poll(fds, 2, timeout);
        if (ready < 0 && errno != EINTR)
            return;
        if (fds[1].revents)
            return;
        if (ready == 0) {
            sendInput(m_firmware.nextBurstReport());
            continue;
        }
        if (!(fds[0].revents & POLLIN))
            continue;
        uhid_event event{};
        if (::read(m_fd, &event, sizeof event) <= 0)
            return;
        if (event.type != UHID_OUTPUT)
            continue;
        // hidraw passes the report-ID byte (0, the device has no IDs) in front of the data.
        const auto& out = event.u.output;
        const quint8* data = out.data;
        int size = out.size;
        if (size > SimFirmware::PayloadSize) {
            ++data;
            --size;
        }
        const SimFirmware::Response response = m_firmware.receive(data, size);
        for (const QByteArray& reply : response.replies)
            sendInput(reply);
        if (response.leaveBus) {
            sendDestroy();
            if (::poll(&fds[1], 1, RebootDelayMs) != 0)
                return;
            sendCreate();
        }
    }
}
