#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The lines of a text file cut at CR LF, LF or a lone CR, each decoded on its own: what a
// file reader must deliver however its reads fall. A line end at the very end of the data
// starts no further line.
inline QStringList textLines(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\n')
            continue;
        lines.append(QString::fromLocal8Bit(bytes.constData() + start, i - start));
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < bytes.size())
        lines.append(QString::fromLocal8Bit(bytes.constData() + start, bytes.size() - start));
    return lines;
}
