#pragma once

#include "link/HidPlatform.h"
#include "sim/SimDevice.h"

#include <QObject>

#include <memory>
#include <mutex>
#include <vector>

// Simulated bridges behind the HidPlatform port, for --simulate and for tests.
//
// Test API in brief:
//   SimPlatform sim;                        // nothing attached
//   SimDevice& b = sim.addBridge("SIM0001"); // plugged in at once: the bridge's VID:PID,
//                                            // version 0x0000, languages {0x0409}, 65/65
//   sim.addBridges(2);                      // SIM0001, SIM0002 (continues the numbering)
//   sim.addDevice(0x046D, 0xC31C, "KB1");   // a non-bridge HID device (never answers)
//   sim.addBridge("") / sim.addBridge("SIM0001") again: empty and duplicate serials
//   b.unplug(); b.plug();                   // each fires the change notification, posted to
//                                           // the GUI thread
//   b.setReplyLatencyMs(0);                 // default 1 ms
//   b.dropNextReplies(n), b.delayNextReplies(n, ms), b.corruptNextReplies(n),
//   b.duplicateNextReplies(n), b.faultFreeReplies(n) // the faults after n good replies
//   b.failNextReads(n), b.failReads(n)      // read starts fail; failReads also ends the read
//   b.setBurstRate(r)                       // default 1000 reports/s, 0 = as fast as read
//   b.setDataAccessError(EACCES), b.setOpenable(false), b.setAttributesReadable(false),
//   b.setSerialReadable(false), b.setLanguages(...)  // identity and access faults
//   b.unplugOnNextOpen(HidAccess::Read)     // falls off the bus as the host starts reading
//   SimFirmware& fw = *b.firmware();
//   fw.setExternalPower(false); fw.clearTargets(); fw.addAckTarget(0x68);
//   fw.setVersion(2, 6); fw.setBurstCounter(true); fw.burstReportsStreamed();
//   fw.setBurstSupported(false)             // burst requests go unanswered
//   fw.setProbeBusyReplies(3); fw.setBootLoaderVersionCode(0x77); fw.setWrongBlockAckAt(40);
//   fw.setVerifyReplies(false); fw.setCorruptVerifyAt(7);
//   fw.log()  -> {"03 02 80", "28 00", "02 01 80 01", ...}: every output payload received
//   sim.setStartFails(true)                 // a platform that cannot start (no devices)
// The enter-boot-loader report makes a bridge leave the bus and return, after its reboot
// delay, as a boot loader with the same serial; the finish report makes it return running
// the image it was given, reporting that image's version.
class SimPlatform : public QObject, public HidPlatform
{
    Q_OBJECT

public:
    explicit SimPlatform(QObject* parent = nullptr);
    ~SimPlatform() override;

    SimDevice& addBridge(const QString& serial);
    void addBridges(int count); // "SIM0001", "SIM0002", ... after the ones added so far
    SimDevice& addDevice(quint16 vendorId, quint16 productId, const QString& serial,
                         quint16 inputLength = 9, quint16 outputLength = 2);
    SimDevice& addDevice(const SimDevice::Identity& identity, bool bridge);
    // Unplugs the device and forgets it.
    void remove(SimDevice& device);

    QList<SimDevice*> devices() const;
    SimDevice* bridge(const QString& serial) const; // first with that serial

    void setStartFails(bool fails);

    // HidPlatform
    bool start(std::function<void()> onChange) override;
    void stop() override;
    QList<HidInterfaceInfo> enumerate() override;
    std::unique_ptr<HidConnection> open(const QString& path, HidAccess access,
                                        quint32& error) override;

    static SimDevice::Identity bridgeIdentity(const QString& serial);

private:
    friend class SimDevice;

    // GUI thread: runs the change notification.
    Q_INVOKABLE void notifyChange();

    // Any thread: posts one change notification to the GUI thread.
    void deviceChanged();
    QString newPath();

    mutable std::mutex m_mutex; // protects m_devices, m_onChange, m_nextPlug, m_nextSerial
    std::vector<std::shared_ptr<SimDevice>> m_devices;
    std::function<void()> m_onChange;
    int m_nextPlug = 0;
    int m_nextSerial = 1;
    bool m_startFails = false;
};
