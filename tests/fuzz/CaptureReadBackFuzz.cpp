// The capture read-back: any capture file for any burst request. The first input bytes give
// the byte count n and the byte map (which record bytes belong to which variable, and the
// variables' types), the rest is the file. Every whole record gives one File-tab line of its
// bytes in hexadecimal and one point to each variable it carries; a trailing partial record
// is ignored.

#include "FuzzSupport.h"

#include "base/Clock.h"
#include "base/HexText.h"
#include "data/CaptureState.h"
#include "data/ChartModel.h"
#include "data/VariableDefinitions.h"
#include "script/BurstReadBack.h"
#include "script/FileTabLines.h"

#include <QBuffer>
#include <QCoreApplication>

namespace {

class FixedClock : public Clock
{
public:
    quint32 nowMs() const override { return 1000; }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // The chart model schedules its repaints with a timer.
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    auto next = [&]() -> quint8 {
        if (size == 0)
            return 0;
        --size;
        return *data++;
    };
    const int n = 1 + next() % 62;
    VariableDefinitions definitions;
    definitions.Scroll = 0;
    definitions.AxisX = next() & 1;
    TIIC_Packet request;
    request.Count = quint8(n);
    bool carried[VariableDefinitions::Count] = {};
    for (int r = 1; r <= std::min(n, MaxSlots); ++r) {
        const quint8 map = next();
        if (!(map & 0x80))
            continue;
        request.IsVariable[size_t(r)] = true;
        request.VariableRef[size_t(r)] = map & 0x3F;
        carried[(map & 0x3F) / 4] = true;
    }
    for (TDataVariable& v : definitions.DataVars) {
        const quint8 type = next();
        v.Active = type & 0x80;
        v.Type = type & 0x07; // codes above 3 decode to nothing
        v.Sign = type & 0x08;
    }

    const QByteArray file(reinterpret_cast<const char*>(data), qsizetype(size));
    QByteArray bytes = file;
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    const qint64 records = file.size() / (n + 1);

    static const FixedClock clock;
    ChartModel chart(definitions);
    CaptureState capture(definitions, chart, clock);
    capture.ElapsedMs = 500;
    capture.BeginBurstDecode(records);
    BurstReadBack reader(capture, request, n);
    QByteArray kept;
    FUZZ_CHECK(reader.read(in, records, kept));
    capture.FinishBurstDecode(reader.records());
    capture.leaveBulkMode();

    FUZZ_CHECK(reader.records() == records);
    FUZZ_CHECK(kept == file.left(records * (n + 1)));
    if (records > 0) {
        FileTabLines lines;
        lines.appendRecords(kept, n + 1);
        FUZZ_CHECK(lines.lineCount() == records);
        QString last;
        for (int b = 0; b <= n; ++b)
            last += HexText()[quint8(file[(records - 1) * (n + 1) + b])];
        FUZZ_CHECK(lines.line(records - 1) == last);
    }
    for (int i = 0; i < VariableDefinitions::Count; ++i) {
        const TDataVariable& v = definitions.DataVars[size_t(i)];
        const bool points = v.Active && v.Type <= 3 && carried[i];
        FUZZ_CHECK(chart.series(i).count() == (points ? records : 0));
    }
    return 0;
}
