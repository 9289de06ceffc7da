#pragma once

#include <QString>

// Script text is upper-cased before it is checked or compiled; only a..z change.
inline QString asciiUpper(QString text)
{
    for (QChar& c : text)
        if (c.unicode() >= 'a' && c.unicode() <= 'z')
            c = QChar(c.unicode() - ('a' - 'A'));
    return text;
}
