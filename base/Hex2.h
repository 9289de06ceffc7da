#pragma once

#include <QString>

// A byte as two upper-case hexadecimal digits ("0A"), as every result text shows it.
inline QString hex2(int value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}
