#pragma once

#include <QByteArray>
#include <QtGlobal>

// Report lengths from a HID report descriptor: Report Size x Report Count summed per report
// ID for Input and Output main items (Push/Pop and long items understood). The lengths are
// those of the longest report of each kind plus the report-ID byte, which the host always
// counts (0 there for a device without report IDs); 0 when the kind does not occur.
class HidReportDescriptor
{
public:
    struct Lengths
    {
        quint16 input = 0;
        quint16 output = 0;
        bool usesReportIds = false;
        bool valid = true; // false: the descriptor ended inside an item
    };

    static Lengths parse(const QByteArray& descriptor);
};
