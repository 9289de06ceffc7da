#pragma once

#include <QString>

#include <ostream>

// GoogleTest prints QString (and so QStringList) values as text in its failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
