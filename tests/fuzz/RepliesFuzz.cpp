// The readers of what the bridge sends: status, version, acknowledgement and burst records
// from any 64-byte input report, and the result text of any transaction over it. A burst
// request the program can build always gets at least one record per report; a record lies
// within the report; the result text shows one piece per slot and hands only variable bytes
// on to the decoding.

#include "FuzzSupport.h"

#include "link/BridgeCommands.h"
#include "link/PacketCodec.h"
#include "script/TransactionResult.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A report, then the transaction and the burst byte count the rest of the input gives.
    InputReport reply{};
    const size_t reportBytes = std::min(size, reply.size());
    std::memcpy(reply.data(), data, reportBytes);
    data += reportBytes;
    size -= reportBytes;
    auto next = [&]() -> quint8 {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    };

    const StatusReply status = readStatusReply(reply);
    FUZZ_CHECK(status.targetPowered == bool(reply[0] & 0x04));
    const std::optional<VersionReply> version = readVersionReply(reply);
    FUZZ_CHECK(version.has_value() == ((reply[0] & 0x01) && reply[7] == 0x00 && reply[8] == 0xA5));

    const quint8 flags = next();
    TIIC_Packet t;
    t.Start = flags & 0x01;
    t.Restart = flags & 0x02;
    t.Stop = flags & 0x04;
    t.Read = flags & 0x08;
    t.Address = next() & 0x7F;
    t.Count = next() % (MaxSlots + 1);
    for (int j = 1; j <= MaxSlots; ++j) {
        const quint8 slot = next();
        t.Data[size_t(j)] = slot;
        t.IsVariable[size_t(j)] = t.Read && (slot & 0x80);
        t.VariableRef[size_t(j)] = slot & 0x3F;
    }
    bool acknowledged = flags & 0x10;
    int bytesHanded = 0;
    const QString text = transactionResultText(t, reply, acknowledged, [&](int slot, quint8) {
        FUZZ_CHECK(slot >= 0 && slot < 64);
        ++bytesHanded;
    });
    int variableSlots = 0;
    for (int j = 1; j <= t.Count; ++j)
        variableSlots += t.IsVariable[size_t(j)] ? 1 : 0;
    FUZZ_CHECK(bytesHanded == variableSlots);
    const int pieces = (t.Start || t.Restart ? 1 : 0) + t.Count;
    FUZZ_CHECK(text.count(u'+') + text.count(u'-') == pieces);
    // "s A1+ ", then "12+ " per slot, then "p ".
    FUZZ_CHECK(text.size() == (t.Start || t.Restart ? 6 : 0) + 4 * t.Count + (t.Stop ? 2 : 0));

    // Burst records: a request for any byte count, and any record index.
    const TIIC_Packet request = BridgeCommands::burstRequest(next(), next() - 64);
    const int n = request.Count & CountMask;
    const int records = burstRecordsPerReport(n);
    FUZZ_CHECK(records >= 1);
    FUZZ_CHECK(records * (n + 1) <= ReportPayloadSize);
    const int k = int(next()) - 8;
    const std::span<const quint8> record = burstRecord(reply, n, k);
    if (k >= 0 && k < records) {
        FUZZ_CHECK(record.size() == size_t(n) + 1);
        FUZZ_CHECK(record.data() == reply.data() + size_t(k) * (n + 1));
    } else {
        FUZZ_CHECK(record.empty());
    }
    return 0;
}
