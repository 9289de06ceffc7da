#pragma once

#include "link/EControllerError.h"
#include "link/HidPlatform.h"
#include "link/THidTypes.h"

#include <QList>
#include <QObject>

#include <functional>

class THidDevice;

// Keeps one THidDevice per present HID interface, in arrival order, follows plugging and
// unplugging, and lends devices to the application. At most one per process; GUI thread.
//
// DeviceChange reconciles the list with the platform: all removals first (from the end of the
// list backwards), then the arrivals in enumeration order, then one OnDeviceChange. A change
// that changes nothing fires nothing.
class THidDeviceController : public QObject
{
    Q_OBJECT

public:
    // Throws EControllerError "Only one THidDeviceController allowed per program".
    explicit THidDeviceController(HidPlatform& platform, QObject* parent = nullptr);
    ~THidDeviceController() override;

    void setOnArrival(THidPlugEvent handler) { m_onArrival = std::move(handler); }
    void setOnRemoval(THidPlugEvent handler) { m_onRemoval = std::move(handler); }
    // After start(), setting a handler runs DeviceChange at once.
    void setOnDeviceChange(std::function<void(THidDeviceController*)> handler);

    // The owner has finished loading: installs the platform's change notification and, if the
    // platform works, posts the first enumeration so that it runs from the event loop.
    void start();
    // True once the platform's notification is installed.
    bool PlatformStarted() const { return m_platformStarted; }
    // Number of DeviceChange runs so far (a waiting front end knows when the first one ran).
    int EnumerationCount() const { return m_enumerations; }

    void DeviceChange();
    bool LendDevice(THidDevice* HidDev);
    // May destroy the device (when it was unplugged) and set the reference to null.
    void ReturnDevice(THidDevice*& HidDev);

    const QList<THidDevice*>& Devices() const { return m_devices; }
    int IdleDeviceCount() const { return m_idle; }
    int LentDeviceCount() const { return m_lentCount; }
    int UnpluggedDeviceCount() const { return m_unplugged; }

private:
    friend class THidDevice;

    void reconcile();
    QList<THidDevice*> enumerateDevices();
    void firePlugEvent(THidDevice* device, const THidPlugEvent& handler);
    void recount();
    void forget(THidDevice* device);

    HidPlatform& m_platform;
    QList<THidDevice*> m_devices;
    int m_idle = 0;
    int m_lentCount = 0;
    int m_unplugged = 0;
    int m_enumerations = 0;
    bool m_started = false;
    bool m_platformStarted = false;
    bool m_inDeviceChange = false;
    bool m_changePending = false;

    THidPlugEvent m_onArrival;
    THidPlugEvent m_onRemoval;
    std::function<void(THidDeviceController*)> m_onDeviceChange;
};
