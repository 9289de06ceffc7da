#include "link/PacketCodec.h"

namespace {
constexpr quint8 FlagRead = 0x01;
constexpr quint8 FlagStart = 0x02;
constexpr quint8 FlagRestart = 0x04;
constexpr quint8 FlagStop = 0x08;
constexpr quint8 FlagReset = 0x10;
constexpr quint8 FlagSetSpeed = 0x20;
constexpr int P0 = 1; // payload byte 0 follows the report ID
} // namespace

int EncodePacket(const TIIC_Packet& packet, OutputReport& report)
{
    report[0] = 0x00;
    quint8 flags = 0;
    if (packet.Read)
        flags |= FlagRead;
    if (packet.Start)
        flags |= FlagStart;
    if (packet.Restart)
        flags |= FlagRestart;
    if (packet.Stop)
        flags |= FlagStop;
    if (packet.Reset)
        flags |= FlagReset;
    if (packet.SetSpeed)
        flags |= FlagSetSpeed;
    report[P0] = flags;
    report[P0 + 1] = packet.Count;
    int next = 2;
    if (packet.Start || packet.Restart)
        report[P0 + next++] = packet.Address;
    const int n = packet.Count & CountMask;
    if (!packet.Read)
        for (int slot = 1; slot <= n && slot <= MaxSlots; ++slot)
            report[P0 + next++] = packet.Data[slot];
    return next;
}

bool addressAcknowledged(const InputReport& reply)
{
    return reply[0] & 0x01;
}

bool dataAcknowledged(const InputReport& reply, int byteNumber)
{
    return byteNumber >= 1 && byteNumber < ReportPayloadSize && (reply[byteNumber] & 0x01);
}

StatusReply readStatusReply(const InputReport& reply)
{
    StatusReply status;
    status.targetPowered = reply[0] & 0x04;
    status.statusBit1 = reply[0] & 0x02;
    switch (reply[1]) {
    case 0x00:
    case 0x01:
    case 0x02:
        status.source = PowerSource(reply[1]);
        break;
    default:
        status.source = PowerSource::Unknown;
    }
    switch (reply[2]) {
    case 0x00:
    case 0x04:
    case 0x08:
        status.speed = BusSpeed(reply[2]);
        break;
    default:
        status.speed = BusSpeed::Unknown;
    }
    return status;
}

std::optional<VersionReply> readVersionReply(const InputReport& reply)
{
    if (!(reply[0] & 0x01) || reply[7] != 0x00 || reply[8] != 0xA5)
        return std::nullopt;
    VersionReply version;
    version.major = reply[5];
    version.minor = reply[6];
    version.bytes = {reply[5], reply[6], reply[7], reply[8]};
    return version;
}

int burstRecordsPerReport(int n)
{
    if (n < 1 || n > CountMask)
        return 0;
    return 63 / (n + 1);
}

std::span<const quint8> burstRecord(const InputReport& reply, int n, int k)
{
    if (k < 0 || k >= burstRecordsPerReport(n))
        return {};
    return std::span<const quint8>(reply).subspan(std::size_t(k) * (n + 1), std::size_t(n) + 1);
}
