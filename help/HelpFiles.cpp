#include "help/HelpFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

HelpFiles::Location HelpFiles::locate(const QString& executableFolder)
{
    const QDir folder(executableFolder);
    const QString beside = folder.absoluteFilePath(collectionFileName());
    if (QFileInfo(beside).isFile())
        return {beside, false};
    const QString installed = QDir::cleanPath(
        folder.absoluteFilePath(installedFolderFromExecutable() + u'/' + collectionFileName()));
    if (QFileInfo(installed).isFile())
        return {installed, true};
    return {beside, false};
}

QString HelpFiles::installedFolderFromExecutable()
{
    return QStringLiteral(TAVIRO_DATA_FROM_BIN "/help");
}

QString HelpFiles::userCopyFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/taviro/help");
}
