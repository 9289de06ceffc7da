#pragma once

#include "link/THidTypes.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <string>

// One present HID interface as the platform lists it.
struct HidInterfaceInfo
{
    QString identity; // stable while the interface stays plugged in; a re-plug may change it
    QString path;     // what HidPlatform::open() takes
};

// How an interface is opened. ReadWrite and Query serve attribute and string queries (Query
// needs no data access to the device); Read and Write are the two transfer directions.
enum class HidAccess { ReadWrite, Query, Read, Write };

// One open handle on an interface. Error codes everywhere in this port are errno values.
//
// Transfers are asynchronous, at most one pending per direction. The read side is used by one
// thread at a time (start, wait, result); the write side likewise; cancel() may come from any
// thread. Destroying the connection cancels whatever is pending.
class HidConnection
{
public:
    virtual ~HidConnection() = default;

    virtual bool attributes(THidAttributes& out) = 0;
    // The USB serial number string, at most 254 code units, without a terminating NUL.
    virtual bool serialNumber(std::u16string& out) = 0;
    // String descriptor 0: the list of language IDs the device's strings are available in.
    virtual bool stringDescriptor0(std::u16string& out) = 0;
    virtual bool caps(THidCaps& out) = 0;

    // Starts reading one input report of at most length bytes into buffer, which must stay
    // valid until the read has completed or was cancelled. Byte 0 of a completed read is the
    // report ID (0 for a device without report IDs). False, with error, when not started.
    virtual bool startRead(quint8* buffer, quint16 length, quint32& error) = 0;
    // True when the pending read has completed (or none is pending); false on time-out.
    virtual bool waitRead(int timeoutMs) = 0;
    // Bytes delivered by the last completed read; 0 when it failed or was cancelled.
    virtual quint32 readResult() = 0;

    // Starts writing one output report (byte 0 is the report ID); the buffer is copied.
    virtual bool startWrite(const quint8* buffer, quint16 length, quint32& error) = 0;
    // True when the pending write has completed (or none is pending); false on time-out.
    virtual bool waitWrite(int timeoutMs) = 0;
    // Bytes the device took by the last completed write; 0 when it failed or was cancelled.
    virtual quint32 writeResult() = 0;

    // Completes the pending transfer of that direction at once (a read then delivers 0
    // bytes); a result the device produces later is discarded. True when the direction works.
    virtual bool cancel(THidTransfer direction) = 0;
};

// What the HID layer needs from the system: the present interfaces, a change notification on
// the GUI thread, and handles to query and transfer on.
class HidPlatform
{
public:
    virtual ~HidPlatform() = default;

    // GUI thread. Installs the change notification: onChange runs on the GUI thread whenever
    // interfaces may have come or gone (several changes may be coalesced into one call).
    // False when the platform cannot work at all; it then lists no interfaces.
    virtual bool start(std::function<void()> onChange) = 0;
    // Removes the notification; no onChange runs after it returns.
    virtual void stop() = 0;

    // GUI thread. The interfaces present now, in the platform's order.
    virtual QList<HidInterfaceInfo> enumerate() = 0;

    // Opens an interface; null with error (errno) when that is not possible.
    virtual std::unique_ptr<HidConnection> open(const QString& path, HidAccess access,
                                                quint32& error) = 0;

    // Human-readable text of an error code of this port.
    virtual QString errorText(quint32 error) const;
};
