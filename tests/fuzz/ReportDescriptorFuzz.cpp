// The HID report descriptor of a hidraw node: any bytes through the item parser. Lengths
// count the report-ID byte only when the descriptor uses report IDs, and an item that adds no
// report bits (End Collection, or a long item) changes nothing when appended.

#include "FuzzSupport.h"

#include "link/HidReportDescriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray descriptor(reinterpret_cast<const char*>(data), qsizetype(size));
    const HidReportDescriptor::Lengths lengths = HidReportDescriptor::parse(descriptor);
    FUZZ_CHECK(lengths.input != 1 && lengths.output != 1);
    if (!lengths.valid)
        return 0;
    for (const QByteArray& tail : {QByteArray("\xC0", 1), QByteArray("\xFE\x02\x10\xAA\xBB", 5)}) {
        const HidReportDescriptor::Lengths more = HidReportDescriptor::parse(descriptor + tail);
        FUZZ_CHECK(more.valid);
        FUZZ_CHECK(more.input == lengths.input && more.output == lengths.output);
        FUZZ_CHECK(more.usesReportIds == lengths.usesReportIds);
    }
    return 0;
}
