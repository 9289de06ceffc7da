#pragma once

#include "link/BridgeSettings.h"
#include "link/Reports.h"
#include "link/TIIC_Packet.h"

#include <optional>
#include <span>

// Writes the packet into the output report and returns the number of payload bytes it
// announces (flag byte, count byte, the address when sent, the data of a write). Bytes after
// those keep what the previous report left there.
int EncodePacket(const TIIC_Packet& packet, OutputReport& report);

// Reply to a read or write segment or a bus-scan probe: P0 bit 0 acknowledges the address.
bool addressAcknowledged(const InputReport& reply);
// Reply to a write segment: bit 0 of P1..Pn acknowledges data byte 1..n.
bool dataAcknowledged(const InputReport& reply, int byteNumber);

struct StatusReply
{
    bool targetPowered = false; // P0 bit 2
    bool statusBit1 = false;    // P0 bit 1: reported by the bridge, not acted on
    PowerSource source = PowerSource::Unknown;
    BusSpeed speed = BusSpeed::Unknown;
};
StatusReply readStatusReply(const InputReport& reply);

struct VersionReply
{
    quint8 major = 0;
    quint8 minor = 0;
    std::array<quint8, 4> bytes{}; // P5..P8 as the bridge record keeps them
};
// A version block counts only with P0 bit 0 set, P7 = 0x00 and P8 = 0xA5.
std::optional<VersionReply> readVersionReply(const InputReport& reply);

// Records of n + 1 bytes (status byte, n data bytes) that one burst report carries; 0 when n
// is outside 1..63.
int burstRecordsPerReport(int n);
// Record k (0-based, below burstRecordsPerReport(n)) of a burst report; empty when out of range.
std::span<const quint8> burstRecord(const InputReport& reply, int n, int k);
