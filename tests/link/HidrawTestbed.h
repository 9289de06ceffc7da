#pragma once

#include "sim/SimFirmware.h"

#include <QString>

#include <memory>
#include <vector>

struct _UMockdevTestbed;

// Bridges as the kernel presents them, faked with umockdev under its LD_PRELOAD library (run
// the test through umockdev-wrapper): a USB device with idVendor, idProduct, bcdDevice and
// serial, its interface, the HID device with HID_ID, HID_NAME and HID_UNIQ, and the hidraw
// node. The real libudev and the real hidraw code see them in sysfs, get their uevents, open
// the node and talk to it:
//   - the report-descriptor ioctls (HIDIOCGRDESCSIZE, HIDIOCGRDESC) are answered here, sysfs
//     shows no descriptor; string descriptor 0 comes from a USBDEVFS_CONTROL on the USB node;
//   - reports written to the node go to a simulated bridge's firmware, whose replies (and
//     burst stream) are read from the node.
// umockdev backs the node with a pseudo-terminal, a byte stream, so the reports are cut into
// 65 bytes (report ID and payload) here; the reader reads whole 64-byte payloads.
class HidrawTestbed
{
public:
    HidrawTestbed();
    ~HidrawTestbed();

    HidrawTestbed(const HidrawTestbed&) = delete;
    HidrawTestbed& operator=(const HidrawTestbed&) = delete;

    // Whether the preload library is active, i.e. the process runs under umockdev-wrapper.
    bool available() const;
    QString rootDir() const;

    // Plugs a bridge in (an "add" uevent for each of its devices); returns its number.
    int addBridge(const QString& serial);
    // Unplugs it: its node fails every read and write from now on, a "remove" uevent follows
    // and its devices leave sysfs.
    void removeBridge(int bridge);

    QString nodePath(int bridge) const; // "/dev/hidraw0"
    // Takes every permission from the node (as without the udev rule; root still opens it).
    void closeNode(int bridge);
    SimFirmware& firmware(int bridge);
    // Reports are taken from the node but not answered, as by a bridge that hangs.
    void setSilent(int bridge, bool silent);
    // Output reports taken so far.
    int reportsTaken(int bridge) const;
    // String descriptor 0 requests answered on the USB node.
    int languageRequests(int bridge) const;

private:
    class Bridge;

    _UMockdevTestbed* m_testbed;
    std::vector<std::unique_ptr<Bridge>> m_bridges;
};
