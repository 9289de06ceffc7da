#include "link/THidDeviceController.h"

#include "link/THidDevice.h"
#include "link/THidDeviceReadThread.h"

#include <QMetaObject>

#include <atomic>

namespace {
std::atomic<int> controllerCount{0};
}

THidDeviceController::THidDeviceController(HidPlatform& platform, QObject* parent)
    : QObject(parent), m_platform(platform)
{
    if (++controllerCount > 1) {
        --controllerCount;
        throw EControllerError("Only one THidDeviceController allowed per program");
    }
}

THidDeviceController::~THidDeviceController()
{
    m_onDeviceChange = {};
    if (m_platformStarted)
        m_platform.stop();
    const QList<THidDevice*> devices = m_devices;
    m_devices.clear();
    for (THidDevice* device : devices) {
        device->m_controller = nullptr;
        if (device->Lent()) {
            // Its holder still has it; it stops reading and can only be deleted now.
            device->stopReadThread();
            device->markUnplugged();
        } else {
            delete device;
        }
    }
    THidDeviceReadThread::reapRetired(true);
    --controllerCount;
}

void THidDeviceController::setOnDeviceChange(std::function<void(THidDeviceController*)> handler)
{
    m_onDeviceChange = std::move(handler);
    if (m_started && m_onDeviceChange)
        DeviceChange();
}

void THidDeviceController::start()
{
    if (m_started)
        return;
    m_started = true;
    m_platformStarted = m_platform.start([this] { DeviceChange(); });
    if (m_platformStarted)
        QMetaObject::invokeMethod(
            this, [this] { DeviceChange(); }, Qt::QueuedConnection);
}

void THidDeviceController::DeviceChange()
{
    // A handler that waits for events may let another notification in; it is run after the
    // current reconciliation instead of inside it.
    if (m_inDeviceChange) {
        m_changePending = true;
        return;
    }
    m_inDeviceChange = true;
    do {
        m_changePending = false;
        reconcile();
    } while (m_changePending);
    m_inDeviceChange = false;
}

QList<THidDevice*> THidDeviceController::enumerateDevices()
{
    QList<THidDevice*> found;
    if (!m_platformStarted)
        return found;
    for (const HidInterfaceInfo& info : m_platform.enumerate()) {
        try {
            found.append(new THidDevice(this, m_platform, {info.identity, info.path}));
        } catch (const EControllerError&) {
            // An interface that cannot be opened or identified is skipped.
        }
    }
    return found;
}

void THidDeviceController::firePlugEvent(THidDevice* device, const THidPlugEvent& handler)
{
    if (!handler)
        return;
    device->m_inPlugEvent = true;
    const THidPlugEvent call = handler;
    call(device);
    // The handler may have returned (and so destroyed) an unplugged device.
    if (m_devices.contains(device))
        device->m_inPlugEvent = false;
}

void THidDeviceController::reconcile()
{
    ++m_enumerations;
    QList<THidDevice*> found = enumerateDevices();
    for (THidDevice* device : found)
        device->m_controller = nullptr; // not listed yet
    bool changed = false;

    for (qsizetype i = m_devices.size() - 1; i >= 0; --i) {
        if (i >= m_devices.size())
            i = m_devices.size() - 1;
        if (i < 0)
            break;
        THidDevice* device = m_devices.at(i);
        bool present = false;
        if (device->PluggedIn()) {
            for (THidDevice* x : found)
                present = present || x->PnPInfo().DevInst == device->PnPInfo().DevInst;
        }
        if (present)
            continue;
        changed = true;
        device->markUnplugged();
        firePlugEvent(device, m_onRemoval);
        if (m_devices.contains(device) && !device->Lent()) {
            m_devices.removeOne(device);
            device->m_controller = nullptr;
            delete device;
        }
    }

    for (THidDevice*& x : found) {
        for (THidDevice* device : m_devices) {
            if (device->PluggedIn() && device->PnPInfo().DevInst == x->PnPInfo().DevInst) {
                delete x;
                x = nullptr;
                break;
            }
        }
    }

    for (THidDevice* x : found) {
        if (!x)
            continue;
        changed = true;
        x->m_controller = this;
        m_devices.append(x);
        recount();
        firePlugEvent(x, m_onArrival);
    }

    recount();
    if (changed && m_onDeviceChange) {
        const auto handler = m_onDeviceChange;
        handler(this);
    }
}

bool THidDeviceController::LendDevice(THidDevice* HidDev)
{
    if (!HidDev || !m_devices.contains(HidDev) || HidDev->Lent())
        return false;
    HidDev->m_lent = true;
    recount();
    HidDev->startReadThreadIfAllowed();
    return true;
}

void THidDeviceController::ReturnDevice(THidDevice*& HidDev)
{
    if (!HidDev || !m_devices.contains(HidDev))
        return;
    THidDevice* device = HidDev;
    device->stopReadThread();
    device->closeHandles();
    if (device->PluggedIn()) {
        device->m_lent = false;
        recount();
        return;
    }
    delete device; // leaves the list through forget()
    HidDev = nullptr;
}

void THidDeviceController::forget(THidDevice* device)
{
    if (m_devices.removeOne(device))
        recount();
}

void THidDeviceController::recount()
{
    int idle = 0;
    int lent = 0;
    int unplugged = 0;
    for (const THidDevice* device : m_devices) {
        idle += device->Lent() ? 0 : 1;
        lent += device->Lent() ? 1 : 0;
        unplugged += device->PluggedIn() ? 0 : 1;
    }
    m_idle = idle;
    m_unplugged = unplugged;
    m_lentCount = lent - unplugged;
}
