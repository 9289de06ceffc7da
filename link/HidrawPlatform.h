#pragma once

#include "link/HidPlatform.h"
#include "link/HidReportDescriptor.h"

#include <QObject>
#include <QTimer>

#include <map>
#include <mutex>
#include <set>
#include <string>

class QSocketNotifier;
struct udev;
struct udev_monitor;

// The HID platform on Linux: hidraw nodes found with libudev. Identity strings and report
// lengths come from udev and sysfs, so they are known even where the node itself cannot be
// opened; string descriptor 0 is read from the USB device node where that is accessible.
// Plug events come from a udev monitor (the "kernel" source plus a periodic rescan where
// udevd does not run, as in containers), coalesced into one notification.
class HidrawPlatform : public QObject, public HidPlatform
{
    Q_OBJECT

public:
    explicit HidrawPlatform(QObject* parent = nullptr);
    ~HidrawPlatform() override;

    bool start(std::function<void()> onChange) override;
    void stop() override;
    QList<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidConnection> open(const QString& path, HidAccess access,
                                        quint32& error) override;

    // What udev and sysfs tell about one hidraw node.
    struct Node
    {
        QString identity;
        QString devnode;
        QString usbDevnode; // empty without a USB parent (a uhid device, Bluetooth)
        THidAttributes attributes;
        std::u16string serial;
        bool hasSerial = false;
        HidReportDescriptor::Lengths lengths;
    };

private:
    void monitorActivity();

    udev* m_udev = nullptr;
    udev_monitor* m_monitor = nullptr;
    QSocketNotifier* m_notifier = nullptr;
    QTimer m_coalesce; // one notification for a burst of udev events
    QTimer m_rescan;   // without udevd: catches what the kernel source misses
    std::function<void()> m_onChange;

    std::mutex m_mutex; // protects m_nodes and m_accessRetried (open() runs on the transfer
                        // and read threads)
    std::map<QString, Node> m_nodes; // by devnode
    std::set<QString> m_accessRetried;
};
