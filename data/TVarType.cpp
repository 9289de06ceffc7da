#include "data/TVarType.h"

#include <array>

namespace {
const std::array<const char*, 4> TypeTexts = {"byte", "int", "long int", "float"};
}

QString varTypeText(int type)
{
    if (type < 0 || type >= int(TypeTexts.size()))
        return {};
    return QString::fromLatin1(TypeTexts[type]);
}

int varTypeFromText(const QString& text)
{
    for (int i = 0; i < int(TypeTexts.size()); ++i)
        if (text == QLatin1String(TypeTexts[i]))
            return i;
    return -1;
}

int varTypeByteCount(int type)
{
    switch (type) {
    case vtByte:
        return 1;
    case vtInt:
        return 2;
    case vtLongInt:
    case vtFloat:
        return 4;
    default:
        return 0;
    }
}
