#include "script/ScriptFile.h"

#include "script/ScriptLines.h"

#include <QFile>
#include <QSaveFile>
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QStringEncoder encode(QStringConverter::System);
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += encode(line);
        bytes += "\r\n";
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace ScriptFile
