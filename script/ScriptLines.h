#pragma once

#include <QByteArray>
#include <QStringList>
#include <QStringView>

// Splits script text into its lines at CR LF, LF or a lone CR. A line break at the very end
// closes the last line and does not start an empty one, as a text editor shows it.
QStringList splitScriptLines(QStringView text);

// The lines of a script file's bytes: 8-bit text in the locale's encoding, either line end.
QStringList decodeScriptFile(const QByteArray& bytes);
