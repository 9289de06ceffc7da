#pragma once

#include <QString>
#include <QtGlobal>

#include <array>

// Count bit 6: ask the bridge to stream the read of this packet (burst capture).
inline constexpr quint8 BurstFlag = 0x40;
// Count bits 0..5: the number of bytes written or read.
inline constexpr quint8 CountMask = 0x3F;
// Byte slots of one segment; Data, IsVariable and VariableRef are indexed 1..MaxSlots.
inline constexpr int MaxSlots = 32;

// One segment of an I2C transaction, or one command to the bridge itself. Plain record: the
// compiler, bridge control, scan and burst code fill it, EncodePacket turns it into a report.
struct TIIC_Packet
{
    bool Start = false;    // START, then the address
    bool Restart = false;  // repeated START, then the address
    bool Stop = false;     // STOP at the end
    bool Reset = false;    // reset the bridge
    bool Read = false;     // direction: read from the target
    bool SetSpeed = false; // bus-speed command (Restart: 400 kHz, Stop: 50 kHz, neither: 100 kHz)
    quint8 Count = 0;      // bits 0..5 byte count, bit 6 BurstFlag
    quint8 Address = 0;    // 7-bit address; 0x80 and 0x81 address the bridge itself
    // Index 0 is unused so that slot i is element i, as every algorithm counts them.
    std::array<quint8, MaxSlots + 1> Data{};
    std::array<bool, MaxSlots + 1> IsVariable{};
    std::array<quint8, MaxSlots + 1> VariableRef{}; // variable index * 4 + byte index
    bool HasComment = false;
    QString Comment;
    bool HasDelay = false;
    qint32 Delay = 0;       // ms after the previous report began to be written
    bool Continued = false; // the line ends in "+": no STOP after the last segment
};

// The transactions of one script line: entry 0 holds only the comment of a line without a
// transaction, entries 1..N the line's segments.
using TPacketList = std::array<TIIC_Packet, 256>;
