#pragma once

#include <QByteArray>

#include <charconv>
#include <cmath>

// The shortest decimal text that reads back as the same double ("0.1", "628", "1e+300"), with
// a '.' whatever the locale: what files meant for other programs hold. Empty for NaN and the
// infinities, which the callers write in their own way.
inline QByteArray doubleText(double value)
{
    if (!std::isfinite(value))
        return {};
    char buffer[32];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return QByteArray(buffer, qsizetype(r.ptr - buffer));
}
