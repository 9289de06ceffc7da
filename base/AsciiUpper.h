#pragma once

#include <QString>
#include <QStringView>

// Script text is upper-cased before it is checked or compiled; only a..z change.
inline QString asciiUpper(QString text)
{
    for (QChar& c : text)
        if (c.unicode() >= 'a' && c.unicode() <= 'z')
            c = QChar(c.unicode() - ('a' - 'A'));
    return text;
}

inline char16_t asciiUpper(char16_t c)
{
    return c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
}

// Whether the two texts are equal once upper-cased, without building either upper-cased copy.
inline bool asciiUpperEquals(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i].unicode()) != asciiUpper(b[i].unicode()))
            return false;
    return true;
}
