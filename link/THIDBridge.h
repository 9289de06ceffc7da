#pragma once

#include <QtGlobal>

class THidDevice;

// One attached bridge: its HID interface and the version block it reported.
struct THIDBridge
{
    THidDevice* Device = nullptr; // replaced when a device with the same serial arrives
    quint8 FirmwareMajor = 0;
    quint8 FirmwareMinor = 0;
    quint8 VersionZero = 0;   // 0x00 in a valid reply
    quint8 VersionMarker = 0; // 0xA5 in a valid reply
    bool VersionQueryPending = true;

    bool versionKnown() const { return VersionZero == 0x00 && VersionMarker == 0xA5; }
};
