#pragma once

#include "link/BridgeSettings.h"
#include "link/TIIC_Packet.h"

// The fixed reports the program sends to the bridge itself, and the probe and burst packets
// that the bus scan and burst capture build without the compiler.
namespace BridgeCommands {

// Reads the two status bytes at 0x80 (power source, bus speed; P0 bit 2: target powered).
TIIC_Packet statusPoll();
// Writes the power source byte to 0x80. Unknown is not a source and is sent as External.
TIIC_Packet powerSource(PowerSource source);
// Unknown is not a speed and is sent as 100 kHz.
TIIC_Packet busSpeed(BusSpeed speed);
// Reads the eight-byte version block at 0x81.
TIIC_Packet versionQuery();
TIIC_Packet reset();
// The most bytes per burst record: a report carries 63 div (n + 1) records of n + 1 bytes,
// and with 63 that is none.
inline constexpr int MaxBurstBytes = 62;
// Asks the bridge to stream reads of byteCount bytes (forced into 1..MaxBurstBytes) from
// address.
TIIC_Packet burstRequest(quint8 address, int byteCount);
TIIC_Packet burstEnd();
// One-byte read of a 7-bit address with START and STOP: does anything answer there?
TIIC_Packet busScanProbe(quint8 address);

} // namespace BridgeCommands
