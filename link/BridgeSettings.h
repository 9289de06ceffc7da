#pragma once

#include <QtGlobal>

// Where the target board takes its power from; the value is the byte the bridge uses.
enum class PowerSource : quint8 {
    External = 0x00,
    Supply5V = 0x01,
    Supply3V3 = 0x02,
    Unknown = 0xFF, // a status reply with a value the bridge does not document
};

// I2C clock of the bridge; the value is the byte the status reply reports.
enum class BusSpeed : quint8 {
    Khz400 = 0x04,
    Khz100 = 0x00,
    Khz50 = 0x08,
    Unknown = 0xFF,
};
