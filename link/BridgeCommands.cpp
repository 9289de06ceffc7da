#include "link/BridgeCommands.h"

#include <algorithm>

namespace BridgeCommands {

namespace {
constexpr quint8 StatusAddress = 0x80;
constexpr quint8 VersionAddress = 0x81;
} // namespace

TIIC_Packet statusPoll()
{
    TIIC_Packet p;
    p.Start = true;
    p.Read = true;
    p.Count = 2;
    p.Address = StatusAddress;
    return p;
}

TIIC_Packet powerSource(PowerSource source)
{
    TIIC_Packet p;
    p.Start = true;
    p.Count = 1;
    p.Address = StatusAddress;
    p.Data[1] = source == PowerSource::Unknown ? quint8(PowerSource::External) : quint8(source);
    return p;
}

TIIC_Packet busSpeed(BusSpeed speed)
{
    TIIC_Packet p;
    p.SetSpeed = true;
    // The speed travels in the Restart and Stop flag bits; 400 kHz therefore also sends an
    // address byte, which the bridge ignores.
    p.Restart = speed == BusSpeed::Khz400;
    p.Stop = speed == BusSpeed::Khz50;
    return p;
}

TIIC_Packet versionQuery()
{
    TIIC_Packet p;
    p.Start = true;
    p.Read = true;
    p.Count = 8;
    p.Address = VersionAddress;
    return p;
}

TIIC_Packet reset()
{
    TIIC_Packet p;
    p.Reset = true;
    p.Stop = true;
    p.Read = true;
    return p;
}

TIIC_Packet burstRequest(quint8 address, int byteCount)
{
    TIIC_Packet p;
    p.Start = true;
    p.Stop = true;
    p.Read = true;
    p.Count = quint8(std::clamp(byteCount, 1, MaxBurstBytes) + BurstFlag);
    p.Address = address;
    return p;
}

TIIC_Packet burstEnd()
{
    return TIIC_Packet{};
}

TIIC_Packet busScanProbe(quint8 address)
{
    TIIC_Packet p;
    p.Start = true;
    p.Stop = true;
    p.Read = true;
    p.Count = 1;
    p.Address = address & 0x7F;
    return p;
}

} // namespace BridgeCommands
