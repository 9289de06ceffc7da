#include "link/PacketCodec.h"
#include "link/BridgeCommands.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<quint8>;

Bytes announced(const TIIC_Packet& packet, OutputReport& report)
{
    const int length = EncodePacket(packet, report);
    EXPECT_EQ(report[0], 0x00) << "report ID";
    return Bytes(report.begin() + 1, report.begin() + 1 + length);
}

TIIC_Packet segment(bool start, bool restart, bool stop, bool read, quint8 count, quint8 address,
                    Bytes data = {})
{
    TIIC_Packet p;
    p.Start = start;
    p.Restart = restart;
    p.Stop = stop;
    p.Read = read;
    p.Count = count;
    p.Address = address;
    for (std::size_t i = 0; i < data.size(); ++i)
        p.Data[i + 1] = data[i];
    return p;
}

struct EncodeCase
{
    const char* name;
    TIIC_Packet packet;
    Bytes payload;
};

TEST(EncodePacket, AnnouncesFlagsCountAddressAndWriteData)
{
    const std::vector<EncodeCase> cases = {
        {"write with start and stop",
         segment(true, false, true, false, 3, 0x50, {1, 2, 3}),
         {0x0A, 0x03, 0x50, 0x01, 0x02, 0x03}},
        {"continuation sends no address",
         segment(false, false, true, false, 3, 0x50, {1, 2, 3}),
         {0x08, 0x03, 0x01, 0x02, 0x03}},
        {"read sends no data",
         segment(true, false, true, true, 4, 0x50, {9, 9, 9, 9}),
         {0x0B, 0x04, 0x50}},
        {"restart read", segment(false, true, false, true, 2, 0x48), {0x05, 0x02, 0x48}},
        {"address probe", segment(true, false, true, false, 0, 0x50), {0x0A, 0x00, 0x50}},
        {"32-byte write", segment(true, false, false, false, 32, 0x50, Bytes(32, 0xAB)),
         [] {
             Bytes b = {0x02, 0x20, 0x50};
             b.insert(b.end(), 32, 0xAB);
             return b;
         }()},
        {"burst request", BridgeCommands::burstRequest(0x48, 5), {0x0B, 0x45, 0x48}},
        // One report carries 63 div (n + 1) records: 62 bytes is the most that gives one.
        {"burst request forced to 62", BridgeCommands::burstRequest(0x48, 200), {0x0B, 0x7E, 0x48}},
        {"burst request of 63 bytes", BridgeCommands::burstRequest(0x48, 63), {0x0B, 0x7E, 0x48}},
        {"burst request forced to 1", BridgeCommands::burstRequest(0x48, 0), {0x0B, 0x41, 0x48}},
        {"burst end", BridgeCommands::burstEnd(), {0x00, 0x00}},
        {"reset", BridgeCommands::reset(), {0x19, 0x00}},
        {"status poll", BridgeCommands::statusPoll(), {0x03, 0x02, 0x80}},
        {"power external",
         BridgeCommands::powerSource(PowerSource::External),
         {0x02, 0x01, 0x80, 0x00}},
        {"power 5 V", BridgeCommands::powerSource(PowerSource::Supply5V), {0x02, 0x01, 0x80, 0x01}},
        {"power 3.3 V",
         BridgeCommands::powerSource(PowerSource::Supply3V3),
         {0x02, 0x01, 0x80, 0x02}},
        {"400 kHz sends an address byte",
         BridgeCommands::busSpeed(BusSpeed::Khz400),
         {0x24, 0x00, 0x00}},
        {"100 kHz", BridgeCommands::busSpeed(BusSpeed::Khz100), {0x20, 0x00}},
        {"50 kHz", BridgeCommands::busSpeed(BusSpeed::Khz50), {0x28, 0x00}},
        {"version query", BridgeCommands::versionQuery(), {0x03, 0x08, 0x81}},
        {"scan probe", BridgeCommands::busScanProbe(0x3C), {0x0B, 0x01, 0x3C}},
    };
    for (const EncodeCase& c : cases) {
        OutputReport report{};
        EXPECT_EQ(announced(c.packet, report), c.payload) << c.name;
    }
}

TEST(EncodePacket, LeavesTrailingBytesOfAnEarlierReportUntouched)
{
    OutputReport report{};
    report.fill(0xEE);
    announced(segment(true, false, true, false, 6, 0x50, {1, 2, 3, 4, 5, 6}), report);
    const Bytes shorter = announced(segment(true, false, true, true, 1, 0x48), report);
    EXPECT_EQ(shorter, (Bytes{0x0B, 0x01, 0x48}));
    // P3..P8 still hold the data bytes 01..06 of the longer packet, the rest the old fill.
    EXPECT_EQ(Bytes(report.begin() + 4, report.begin() + 10), (Bytes{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(report[10], 0xEE);
    EXPECT_EQ(report[64], 0xEE);
}

TEST(InputReports, AcknowledgementBits)
{
    InputReport reply{};
    reply[0] = 0xFE; // only bit 0 counts
    reply[1] = 0x01;
    reply[2] = 0xFE;
    reply[3] = 0x03;
    EXPECT_FALSE(addressAcknowledged(reply));
    EXPECT_TRUE(dataAcknowledged(reply, 1));
    EXPECT_FALSE(dataAcknowledged(reply, 2));
    EXPECT_TRUE(dataAcknowledged(reply, 3));
    EXPECT_FALSE(dataAcknowledged(reply, 0));
    EXPECT_FALSE(dataAcknowledged(reply, 64));
    reply[0] = 0x01;
    EXPECT_TRUE(addressAcknowledged(reply));
}

TEST(InputReports, StatusReplyWithKnownAndUnknownValues)
{
    struct Case
    {
        quint8 p0, p1, p2;
        bool powered, bit1;
        PowerSource source;
        BusSpeed speed;
    };
    const std::vector<Case> cases = {
        {0x04, 0x00, 0x04, true, false, PowerSource::External, BusSpeed::Khz400},
        {0x02, 0x01, 0x00, false, true, PowerSource::Supply5V, BusSpeed::Khz100},
        {0x06, 0x02, 0x08, true, true, PowerSource::Supply3V3, BusSpeed::Khz50},
        {0x00, 0x03, 0x0C, false, false, PowerSource::Unknown, BusSpeed::Unknown},
    };
    for (const Case& c : cases) {
        InputReport reply{};
        reply[0] = c.p0;
        reply[1] = c.p1;
        reply[2] = c.p2;
        const StatusReply s = readStatusReply(reply);
        EXPECT_EQ(s.targetPowered, c.powered) << int(c.p0);
        EXPECT_EQ(s.statusBit1, c.bit1) << int(c.p0);
        EXPECT_EQ(s.source, c.source) << int(c.p1);
        EXPECT_EQ(s.speed, c.speed) << int(c.p2);
    }
}

TEST(InputReports, VersionReplyAcceptanceRule)
{
    auto reply = [](quint8 p0, quint8 p7, quint8 p8) {
        InputReport r{};
        r[0] = p0;
        r[1] = 0x11; // P1..P4 are not used
        r[5] = 2;
        r[6] = 5;
        r[7] = p7;
        r[8] = p8;
        return r;
    };
    const std::optional<VersionReply> good = readVersionReply(reply(0x01, 0x00, 0xA5));
    ASSERT_TRUE(good.has_value());
    EXPECT_EQ(good->major, 2);
    EXPECT_EQ(good->minor, 5);
    EXPECT_EQ(good->bytes, (std::array<quint8, 4>{2, 5, 0x00, 0xA5}));

    EXPECT_FALSE(readVersionReply(reply(0x00, 0x00, 0xA5))) << "address not acknowledged";
    EXPECT_FALSE(readVersionReply(reply(0x01, 0x01, 0xA5))) << "P7 not zero";
    EXPECT_FALSE(readVersionReply(reply(0x01, 0x00, 0xA4))) << "P8 not A5";
}

TEST(InputReports, BurstRecordsPerReport)
{
    const std::vector<std::pair<int, int>> cases = {{1, 31}, {5, 10}, {6, 9}, {20, 3}, {31, 1},
                                                    {62, 1}, {63, 0}, {0, 0}, {64, 0}};
    for (auto [n, k] : cases)
        EXPECT_EQ(burstRecordsPerReport(n), k) << "n = " << n;

    InputReport reply{};
    for (int i = 0; i < ReportPayloadSize; ++i)
        reply[i] = quint8(i);
    // Five-byte reads: ten records of six bytes, the status byte first.
    const std::span<const quint8> last = burstRecord(reply, 5, 9);
    ASSERT_EQ(last.size(), 6u);
    EXPECT_EQ(last[0], 54);
    EXPECT_EQ(last[5], 59);
    EXPECT_TRUE(burstRecord(reply, 5, 10).empty()) << "bytes beyond k records are ignored";
}

} // namespace
