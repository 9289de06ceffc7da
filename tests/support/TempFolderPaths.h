#pragma once

#include "app/MainModel.h"

#include <QTemporaryDir>

// The program's files (start-up settings, autosave) in a temporary folder that also stands for
// the executable's folder, so nothing a test or benchmark runs touches the user's own files.
inline MainModel::Paths pathsIn(const QTemporaryDir& dir)
{
    MainModel::Paths p;
    p.executableFolder = dir.path();
    p.settings = {dir.filePath(QStringLiteral("taviro.ini")),
                  dir.filePath(QStringLiteral("taviro.ini"))};
    p.autosave = {dir.filePath(QStringLiteral("taviro.cmd")),
                  dir.filePath(QStringLiteral("taviro.cmd"))};
    return p;
}
