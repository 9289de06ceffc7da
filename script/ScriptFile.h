#pragma once

#include <QString>
#include <QStringList>

// Script and status-window files: plain text in the locale's encoding, one line per text
// line, written with CR LF and read with either line end. Writes go to a temporary file that
// is renamed over the old one, so a failed write never leaves half a file.
namespace ScriptFile {

// Reads the lines of a file; false (with the platform's error text) when it cannot be read.
bool read(const QString& path, QStringList& lines, QString* error = nullptr);
bool write(const QString& path, const QStringList& lines, QString* error = nullptr);

} // namespace ScriptFile
