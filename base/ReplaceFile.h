#pragma once

#include <QByteArray>
#include <QString>

// Writes bytes as the whole new content of the file at path: into a temporary file beside it,
// renamed over the old one once every byte is written. A full disk (or a file size limit)
// leaves the old file as it was. False, with the platform's text in error, on failure.
bool replaceFile(const QString& path, const QByteArray& bytes, QString* error = nullptr);
