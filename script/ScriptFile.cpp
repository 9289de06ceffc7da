#include "script/ScriptFile.h"

#include "base/ReplaceFile.h"
#include "script/ScriptLines.h"

#include <QFile>
#include <QStringConverter>

namespace ScriptFile {

bool read(const QString& path, QStringList& lines, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    lines = decodeScriptFile(bytes);
    return true;
}

bool write(const QString& path, const QStringList& lines, QString* error)
{
    QStringEncoder encode(QStringConverter::System);
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += encode(line);
        bytes += "\r\n";
    }
    return replaceFile(path, bytes, error);
}

} // namespace ScriptFile
