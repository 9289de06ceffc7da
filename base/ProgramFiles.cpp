#include "base/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace ProgramFiles {

namespace {

// The first of names that is a file in folder, else empty.
QString existingFile(const QString& folder, const QStringList& names)
{
    for (const QString& name : names) {
        const QString path = QDir(folder).absoluteFilePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

// The bin folder of an installed program (<prefix>/bin beside <prefix>/share/taviro) belongs to
// the system: files are not written there, not even by root.
bool isInstalledProgramFolder(const QString& folder)
{
    return QFileInfo(QDir(folder).filePath(QStringLiteral(TAVIRO_DATA_FROM_BIN))).isDir();
}

} // namespace

bool canCreateFilesIn(const QString& folder)
{
    if (!QFileInfo(folder).isDir())
        return false;
    QTemporaryFile probe(folder + QStringLiteral("/.taviro-probe-XXXXXX"));
    return probe.open();
}

QString fallbackFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/taviro");
}

Location locate(const QString& executableFolder, const QStringList& names, const QString& fallback)
{
    Q_ASSERT(!names.isEmpty());
    const QString beside = existingFile(executableFolder, names);
    if (canCreateFilesIn(executableFolder) && !isInstalledProgramFolder(executableFolder) &&
        (beside.isEmpty() || QFileInfo(beside).isWritable())) {
        const QString path =
            beside.isEmpty() ? QDir(executableFolder).absoluteFilePath(names.last()) : beside;
        return {path, path};
    }
    const QString inFallback = existingFile(fallback, names);
    const QString writePath =
        inFallback.isEmpty() ? QDir(fallback).absoluteFilePath(names.last()) : inFallback;
    if (inFallback.isEmpty() && !beside.isEmpty())
        return {beside, writePath};
    return {writePath, writePath};
}

} // namespace ProgramFiles
