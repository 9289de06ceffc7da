#pragma once

#include "sim/SimFirmware.h"

#include <QString>

#include <atomic>
#include <thread>

// Puts a SimFirmware behind /dev/uhid, so that the kernel presents it as a real HID device
// (a hidraw node with the bridge's VID:PID, serial and report descriptor). For end-to-end
// tests of the hidraw back end; needs write access to /dev/uhid.
class SimUhidDevice
{
public:
    explicit SimUhidDevice(const QString& serial);
    ~SimUhidDevice();

    SimUhidDevice(const SimUhidDevice&) = delete;
    SimUhidDevice& operator=(const SimUhidDevice&) = delete;

    static bool available(); // /dev/uhid exists
    // The bridge's report descriptor: vendor page, 64-byte input and output, no report IDs.
    static QByteArray reportDescriptor();

    // Creates the device; false with a reason when /dev/uhid cannot be used.
    bool create(QString* error = nullptr);
    SimFirmware& firmware() { return m_firmware; }

private:
    bool sendCreate();
    void sendDestroy();
    void sendInput(const QByteArray& payload);
    void run();

    QString m_serial;
    SimFirmware m_firmware;
    int m_fd = -1;
    int m_stopFd = -1;
    std::thread m_thread;
};
