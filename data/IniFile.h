#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// A small INI file editor that works like the platform profile functions: keys and sections
// are matched without regard to case, a write replaces a value in place or adds the key at
// the end of its section, and every other line keeps its exact bytes (comments, foreign
// sections, line ends, even text in another encoding). Saving goes through a temporary file
// renamed over the old one.
class IniFile
{
public:
    // Reads a file; a missing or unreadable file leaves the editor empty and returns false.
    bool load(const QString& path);
    // Replaces the content with the given text (UTF-8).
    void setContent(const QByteArray& content);
    QByteArray content() const;
    bool save(const QString& path) const;

    // The rest of the line after "=", without surrounding blanks; nullopt when the key is
    // missing. The first matching section and key win.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // Line breaks in the value are written as blanks, so a value stays one line.
    void setValue(const QString& section, const QString& key, const QString& value);

private:
    struct Line
    {
        QByteArray text; // without its line end
        QByteArray end;  // "\r\n", "\n" or empty on a last line without one
    };

    // Index of the section's header line, or -1.
    qsizetype findSection(const QString& section) const;
    // Index of the key's line in the section starting at header, or -1.
    qsizetype findKey(qsizetype header, const QString& key) const;
    qsizetype sectionEnd(qsizetype header) const;
    QByteArray newLineEnd() const;
    void insertLine(qsizetype at, const QByteArray& text);

    QList<Line> m_lines;
    bool m_bom = false;
};
