#pragma once

#include "link/HidPlatform.h"
#include "sim/SimFirmware.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class SimPlatform;
class SimConnection;

// One simulated USB HID device of a SimPlatform: a bridge (with a SimFirmware answering its
// reports from a thread of its own) or some other HID device that never answers.
// Every control is thread-safe; see SimPlatform.h for the overview.
class SimDevice : public std::enable_shared_from_this<SimDevice>
{
public:
    struct Identity
    {
        quint16 vendorId = 0;
        quint16 productId = 0;
        quint16 version = 0;
        std::u16string serial;
        std::u16string languages = u"\u0409"; // string descriptor 0
        quint16 inputLength = 65;             // both count the report-ID byte
        quint16 outputLength = 65;
    };

    ~SimDevice();

    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    QString serialNumber() const;
    bool isBridge() const { return m_firmware != nullptr; }
    SimFirmware* firmware() const { return m_firmware.get(); } // null for a non-bridge device
    bool pluggedIn() const;
    QString path() const; // of the current plug-in, empty while unplugged

    // Plugging fires the platform's change notification (on the GUI thread, posted). A device
    // that comes back gets a new identity, as after a real re-enumeration.
    void plug();
    void unplug();

    // --- identity (takes effect for handles opened afterwards)
    void setSerialNumber(const QString& serial);
    void setSerialReadable(bool readable);        // false: the serial query fails
    void setLanguages(const std::u16string& ids); // string descriptor 0
    void setLanguagesReadable(bool readable);     // false: string descriptor 0 query fails
    void setAttributesReadable(bool readable);    // false: "device cannot be identified"
    // errno for opens with data access (ReadWrite, Read, Write); 0 = allowed. EACCES gives a
    // device that is listed but cannot be used, as without the udev rule.
    void setDataAccessError(quint32 error);
    void setOpenable(bool openable); // false: no open at all ("device cannot be opened")
    // The device falls off the bus right after the host's next open with this access: the
    // open succeeds, the handle is dead, and the platform hears of the removal.
    void unplugOnNextOpen(HidAccess access);

    // --- transport
    void setReplyLatencyMs(int ms); // default 1 ms; 0 answers at once
    void dropNextReplies(int count);
    void delayNextReplies(int count, int extraMs);
    void corruptNextReplies(int count);   // every payload byte inverted
    void duplicateNextReplies(int count); // each sent twice
    // The reply faults above wait until this many more replies have gone out untouched.
    void faultFreeReplies(int count);
    void failNextReads(int count); // read starts fail with EIO
    // The read in progress ends without a report and the next count read starts fail with
    // EIO, as when the device's interface fails under a read; queued reports stay.
    void failReads(int count);
    void setBurstRate(int reportsPerSecond); // default 1000; 0 = as fast as the host reads
    void setRebootDelayMs(int ms); // time off the bus when switching to/from the boot loader
    quint64 repliesSent() const;
    quint64 reportsReceived() const;

private:
    friend class SimPlatform;
    friend class SimConnection;

    SimDevice(SimPlatform* platform, Identity identity, bool bridge);

    // Strings handed to other threads share no data with the ones this thread reassigns
    // (ThreadSanitizer cannot see the reference counting inside an uninstrumented Qt).
    static QString deepCopy(const QString& s);
    void notifyPlatform();
    void run();
    void push(std::unique_lock<std::mutex>& lock, const QByteArray& payload);
    bool readersHaveRoom() const;
    void plugLocked();
    void unplugLocked();
    void accept(const quint8* report, quint16 length);
    std::unique_ptr<HidConnection> open(HidAccess access, quint32& error);

    SimPlatform* m_platform; // null once the platform is gone; guarded by m_mutex
    std::unique_ptr<SimFirmware> m_firmware;

    mutable std::mutex m_mutex;     // protects every member below and the queues of m_readers
    std::condition_variable m_wake; // the firmware thread waits here
    Identity m_identity;
    bool m_pluggedIn = false;
    int m_generation = 0; // counts plug-ins; a handle works only on the one it was opened on
    QString m_path;
    QString m_identityText;
    bool m_serialReadable = true;
    bool m_languagesReadable = true;
    bool m_attributesReadable = true;
    quint32 m_dataAccessError = 0;
    bool m_openable = true;
    std::optional<HidAccess> m_unplugOnOpen;
    int m_latencyMs = 1;
    int m_drop = 0;
    int m_delayCount = 0;
    int m_delayMs = 0;
    int m_corrupt = 0;
    int m_duplicate = 0;
    int m_faultFreeReplies = 0;
    int m_failReads = 0;
    int m_burstRate = 1000;
    int m_rebootDelayMs = 100;
    quint64 m_repliesSent = 0;
    quint64 m_reportsReceived = 0;
    std::deque<QByteArray> m_inbox;
    std::vector<SimConnection*> m_readers;
    bool m_stop = false;
    std::thread m_thread;
};
