#pragma once

#include <QString>
#include <QStringList>

// Files that live beside the executable (the autosave script, the start-up settings) fall
// back to the user's config folder when the executable's folder cannot be written.
namespace ProgramFiles {

// Whether a file can be created in folder. Permission bits say nothing about read-only mounts
// (and everything is writable to root), so the folder is probed by creating a file in it.
bool canCreateFilesIn(const QString& folder);

// ~/.config/taviro (the XDG config home).
QString fallbackFolder();

struct Location
{
    QString readPath;  // the file to read; may not exist
    QString writePath; // where writes go
};

// The one rule for every such file. names are the names the file may have, the preferred
// first ("taviro.INI", "taviro.ini"): in a folder the file is the first of them that exists,
// and a new file gets the last. The file is the one beside the executable, unless that folder
// cannot be written (or the file there cannot), or is the bin folder of an installed program:
// then it is the one in the fallback folder, and until that exists, a copy beside the
// executable is still read.
Location locate(const QString& executableFolder, const QStringList& names,
                const QString& fallback = fallbackFolder());

} // namespace ProgramFiles
