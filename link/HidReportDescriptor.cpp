#include "link/HidReportDescriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

struct GlobalState
{
    quint32 reportSize = 0;
    quint32 reportCount = 0;
    quint32 reportId = 0;
};

enum ItemType { Main = 0, Global = 1, Local = 2 };

quint16 bytesWithId(const std::map<quint32, quint64>& bits)
{
    quint64 longest = 0;
    for (const auto& [id, n] : bits)
        longest = std::max(longest, n);
    if (longest == 0)
        return 0;
    return quint16(std::min<quint64>((longest + 7) / 8 + 1, 0xFFFF));
}

} // namespace

HidReportDescriptor::Lengths HidReportDescriptor::parse(const QByteArray& descriptor)
{
    Lengths lengths;
    const auto* d = reinterpret_cast<const quint8*>(descriptor.constData());
    const qsizetype size = descriptor.size();
    GlobalState state;
    std::vector<GlobalState> stack;
    std::map<quint32, quint64> inputBits;
    std::map<quint32, quint64> outputBits;

    qsizetype i = 0;
    while (i < size) {
        const quint8 prefix = d[i];
        if (prefix == 0xFE) { // long item: size, tag, data
            if (i + 2 >= size || i + 3 + d[i + 1] > size) {
                lengths.valid = false;
                break;
            }
            i += 3 + d[i + 1];
            continue;
        }
        const int dataSize = (prefix & 0x03) == 3 ? 4 : (prefix & 0x03);
        const int type = (prefix >> 2) & 0x03;
        const int tag = prefix >> 4;
        if (i + 1 + dataSize > size) {
            lengths.valid = false;
            break;
        }
        quint32 value = 0;
        for (int b = 0; b < dataSize; ++b)
            value |= quint32(d[i + 1 + b]) << (8 * b);
        i += 1 + dataSize;

        if (type == Global) {
            switch (tag) {
            case 0x7:
                state.reportSize = value;
                break;
            case 0x8:
                state.reportId = value;
                lengths.usesReportIds = true;
                break;
            case 0x9:
                state.reportCount = value;
                break;
            case 0xA:
                stack.push_back(state);
                break;
            case 0xB:
                if (!stack.empty()) {
                    state = stack.back();
                    stack.pop_back();
                }
                break;
            default:
                break;
            }
        } else if (type == Main) {
            const quint64 bits = quint64(state.reportSize) * state.reportCount;
            if (tag == 0x8)
                inputBits[state.reportId] += bits;
            else if (tag == 0x9)
                outputBits[state.reportId] += bits;
        }
    }
    lengths.input = bytesWithId(inputBits);
    lengths.output = bytesWithId(outputBits);
    return lengths;
}
