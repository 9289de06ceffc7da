#include "base/HexText.h"

#include "base/Hex2.h"

const std::array<QString, 256>& HexText()
{
    static const std::array<QString, 256> texts = [] {
        std::array<QString, 256> t;
        for (int i = 0; i < 256; ++i)
            t[size_t(i)] = hex2(i) + QLatin1Char(' ');
        return t;
    }();
    return texts;
}
