#include "base/ReplaceFile.h"

#include <QSaveFile>

bool replaceFile(const QString& path, const QByteArray& bytes, QString* error)
{
    QSaveFile file(path);
    // Unbuffered, so that a write the disk takes only part of shows here: a buffered one that
    // falls short at its flush is committed short, the old file replaced by a torn one.
    bool ok = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qint64 done = 0; ok && done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        ok = written > 0;
        done += written;
    }
    if (ok && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    file.cancelWriting();
    return false;
}
