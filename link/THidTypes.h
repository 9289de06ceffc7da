#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class THidDevice;
class THidDeviceController;

// Identity of one HID interface, read once when the device object is created.
struct THidAttributes
{
    quint16 VendorID = 0;
    quint16 ProductID = 0;
    quint16 VersionNumber = 0;
};

// Report lengths; both count the report-ID byte.
struct THidCaps
{
    quint16 InputReportByteLength = 0;
    quint16 OutputReportByteLength = 0;
};

enum class THidTransfer { Read, Write };

using THidPlugEvent = std::function<void(THidDevice* HidDev)>;
using THidDataEvent =
    std::function<void(THidDevice* HidDev, quint8 ReportID, const quint8* Data, quint16 Size)>;
using THidDataErrorEvent = std::function<void(THidDevice* HidDev, quint32 Error)>;

// Where an interface was found: DevInst identifies it across enumerations (while it stays
// plugged in), DevicePath is what every handle is opened on.
struct THidPnPInfo
{
    QString DevInst;
    QString DevicePath;
};
