#include "sim/SimPlatform.h"

#include <QMetaObject>

#include <cerrno>

SimPlatform::SimPlatform(QObject* parent) : QObject(parent) {}

SimPlatform::~SimPlatform()
{
    std::vector<std::shared_ptr<SimDevice>> devices;
    {
        std::lock_guard lock(m_mutex);
        devices.swap(m_devices);
        m_onChange = {};
    }
    for (const auto& device : devices) {
        std::lock_guard lock(device->m_mutex);
        device->m_platform = nullptr;
    }
}

SimDevice::Identity SimPlatform::bridgeIdentity(const QString& serial)
{
    SimDevice::Identity identity;
    identity.vendorId = TAVIRO_BRIDGE_VID;
    identity.productId = TAVIRO_BRIDGE_PID;
    identity.version = 0x0000;
    identity.serial = serial.toStdU16String();
    return identity;
}

SimDevice& SimPlatform::addBridge(const QString& serial)
{
    return addDevice(bridgeIdentity(serial), true);
}

void SimPlatform::addBridges(int count)
{
    for (int i = 0; i < count; ++i) {
        int n = 0;
        {
            std::lock_guard lock(m_mutex);
            n = m_nextSerial++;
        }
        addBridge(QStringLiteral("SIM%1").arg(n, 4, 10, QLatin1Char('0')));
    }
}

SimDevice& SimPlatform::addDevice(quint16 vendorId, quint16 productId, const QString& serial,
                                  quint16 inputLength, quint16 outputLength)
{
    SimDevice::Identity identity;
    identity.vendorId = vendorId;
    identity.productId = productId;
    identity.serial = serial.toStdU16String();
    identity.inputLength = inputLength;
    identity.outputLength = outputLength;
    return addDevice(identity, false);
}

SimDevice& SimPlatform::addDevice(const SimDevice::Identity& identity, bool bridge)
{
    std::shared_ptr<SimDevice> device(new SimDevice(this, identity, bridge));
    {
        std::lock_guard lock(m_mutex);
        m_devices.push_back(device);
    }
    device->plug();
    return *device;
}

void SimPlatform::remove(SimDevice& device)
{
    device.unplug();
    std::shared_ptr<SimDevice> removed; // released after the lock: its thread may need it
    std::lock_guard lock(m_mutex);
    for (auto it = m_devices.begin(); it != m_devices.end(); ++it) {
        if (it->get() == &device) {
            removed = *it;
            m_devices.erase(it);
            break;
        }
    }
}

QList<SimDevice*> SimPlatform::devices() const
{
    std::lock_guard lock(m_mutex);
    QList<SimDevice*> list;
    for (const auto& device : m_devices)
        list.append(device.get());
    return list;
}

SimDevice* SimPlatform::bridge(const QString& serial) const
{
    for (SimDevice* device : devices())
        if (device->isBridge() && device->serialNumber() == serial)
            return device;
    return nullptr;
}

void SimPlatform::setStartFails(bool fails)
{
    std::lock_guard lock(m_mutex);
    m_startFails = fails;
}

bool SimPlatform::start(std::function<void()> onChange)
{
    std::lock_guard lock(m_mutex);
    if (m_startFails)
        return false;
    m_onChange = std::move(onChange);
    return true;
}

void SimPlatform::stop()
{
    std::lock_guard lock(m_mutex);
    m_onChange = {};
}

QList<HidInterfaceInfo> SimPlatform::enumerate()
{
    QList<HidInterfaceInfo> found;
    for (SimDevice* device : devices()) {
        std::lock_guard lock(device->m_mutex);
        if (device->m_pluggedIn)
            found.append(
                {SimDevice::deepCopy(device->m_identityText), SimDevice::deepCopy(device->m_path)});
    }
    return found;
}

std::unique_ptr<HidConnection> SimPlatform::open(const QString& path, HidAccess access,
                                                 quint32& error)
{
    std::vector<std::shared_ptr<SimDevice>> devices;
    {
        std::lock_guard lock(m_mutex);
        devices = m_devices;
    }
    for (const auto& device : devices)
        if (device->path() == path)
            return device->open(access, error);
    error = ENOENT;
    return nullptr;
}

void SimPlatform::deviceChanged()
{
    // Queued by name: the call event is made inside Qt, whose own locking ThreadSanitizer
    // cannot see, so a functor built here and run on the GUI thread would read as a race.
    QMetaObject::invokeMethod(this, "notifyChange", Qt::QueuedConnection);
}

void SimPlatform::notifyChange()
{
    std::function<void()> onChange;
    {
        std::lock_guard lock(m_mutex);
        onChange = m_onChange;
    }
    if (onChange)
        onChange();
}

QString SimPlatform::newPath()
{
    std::lock_guard lock(m_mutex);
    return QString::number(m_nextPlug++);
}
