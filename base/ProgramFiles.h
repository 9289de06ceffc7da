#pragma once

#include <QString>

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

// fileName beside the executable, or in the fallback folder when the executable's folder
// cannot be written (a copy beside the executable is still read until one is written).
Location locate(const QString& executableFolder, const QString& fileName,
                const QString& fallback = fallbackFolder());

} // namespace ProgramFiles
