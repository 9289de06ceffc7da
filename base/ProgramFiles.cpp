#include "base/ProgramFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace ProgramFiles {

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

Location locate(const QString& executableFolder, const QString& fileName, const QString& fallback)
{
    const QString beside = QDir(executableFolder).filePath(fileName);
    if (canCreateFilesIn(executableFolder) &&
        (!QFileInfo::exists(beside) || QFileInfo(beside).isWritable()))
        return {beside, beside};
    const QString inFallback = QDir(fallback).filePath(fileName);
    if (!QFileInfo::exists(inFallback) && QFileInfo::exists(beside))
        return {beside, inFallback};
    return {inFallback, inFallback};
}

} // namespace ProgramFiles
