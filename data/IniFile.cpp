#include "data/IniFile.h"

#include "base/AsciiUpper.h"
#include "base/ReplaceFile.h"

#include <QAnyStringView>
#include <QByteArrayView>
#include <QFile>

#include <algorithm>

namespace {

const QByteArray Bom("\xEF\xBB\xBF");

// The lookups run for every key over every line: they look at the lines in place and
// allocate nothing.
bool isSectionHeader(QByteArrayView trimmed)
{
    return trimmed.startsWith('[') && trimmed.contains(']');
}

QByteArrayView sectionName(QByteArrayView trimmed)
{
    return trimmed.sliced(1, trimmed.indexOf(']') - 1).trimmed();
}

bool isAscii(QByteArrayView text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x80; });
}

bool isAscii(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

bool sameName(QByteArrayView utf8, const QString& name)
{
    // Names are ASCII as a rule: then a byte-wise comparison gives what case folding does.
    if (isAscii(utf8) && isAscii(name)) {
        if (utf8.size() != name.size())
            return false;
        for (qsizetype i = 0; i < utf8.size(); ++i)
            if (asciiUpper(char16_t(uchar(utf8[i]))) != asciiUpper(name[i].unicode()))
                return false;
        return true;
    }
    return QAnyStringView::compare(QUtf8StringView(utf8), name, Qt::CaseInsensitive) == 0;
}

} // namespace

bool IniFile::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setContent({});
        return false;
    }
    setContent(file.readAll());
    return true;
}

void IniFile::setContent(const QByteArray& content)
{
    m_lines.clear();
    m_bom = content.startsWith(Bom);
    qsizetype pos = m_bom ? Bom.size() : 0;
    while (pos < content.size()) {
        const qsizetype newline = content.indexOf('\n', pos);
        if (newline < 0) {
            m_lines.append({content.mid(pos), {}});
            break;
        }
        const bool crlf = newline > pos && content[newline - 1] == '\r';
        const qsizetype textEnd = crlf ? newline - 1 : newline;
        m_lines.append({content.mid(pos, textEnd - pos), crlf ? "\r\n" : "\n"});
        pos = newline + 1;
    }
}

QByteArray IniFile::content() const
{
    QByteArray out;
    if (m_bom)
        out += Bom;
    for (const Line& line : m_lines)
        out += line.text + line.end;
    return out;
}

bool IniFile::save(const QString& path) const
{
    return replaceFile(path, content());
}

std::optional<QString> IniFile::value(const QString& section, const QString& key) const
{
    const qsizetype header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const qsizetype at = findKey(header, key);
    if (at < 0)
        return std::nullopt;
    const QByteArray& text = m_lines[at].text;
    return QString::fromUtf8(text.mid(text.indexOf('=') + 1).trimmed());
}

void IniFile::setValue(const QString& section, const QString& key, const QString& value)
{
    QString oneLine = value;
    oneLine.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray encodedValue = oneLine.toUtf8();

    qsizetype header = findSection(section);
    if (header < 0) {
        // A blank line sets a new section apart from what came before.
        if (!m_lines.isEmpty() && !m_lines.last().text.trimmed().isEmpty())
            insertLine(m_lines.size(), {});
        insertLine(m_lines.size(), '[' + section.toUtf8() + ']');
        header = m_lines.size() - 1;
    }
    const qsizetype at = findKey(header, key);
    if (at >= 0) {
        // The key keeps its spelling; only the value changes.
        Line& line = m_lines[at];
        line.text = line.text.left(line.text.indexOf('=')).trimmed() + '=' + encodedValue;
        return;
    }
    // After the section's last non-blank line, so blank separators stay where they are.
    qsizetype last = header;
    for (qsizetype i = header + 1, end = sectionEnd(header); i < end; ++i)
        if (!QByteArrayView(m_lines[i].text).trimmed().isEmpty())
            last = i;
    insertLine(last + 1, key.toUtf8() + '=' + encodedValue);
}

qsizetype IniFile::findSection(const QString& section) const
{
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QByteArrayView trimmed = QByteArrayView(m_lines[i].text).trimmed();
        if (isSectionHeader(trimmed) && sameName(sectionName(trimmed), section))
            return i;
    }
    return -1;
}

qsizetype IniFile::findKey(qsizetype header, const QString& key) const
{
    for (qsizetype i = header + 1, end = sectionEnd(header); i < end; ++i) {
        const QByteArrayView text(m_lines[i].text);
        const qsizetype eq = text.indexOf('=');
        if (eq < 0)
            continue;
        const QByteArrayView name = text.first(eq).trimmed();
        // A comment line never names a key, whatever follows its ';'.
        if (name.startsWith(';'))
            continue;
        if (sameName(name, key))
            return i;
    }
    return -1;
}

qsizetype IniFile::sectionEnd(qsizetype header) const
{
    for (qsizetype i = header + 1; i < m_lines.size(); ++i)
        if (isSectionHeader(QByteArrayView(m_lines[i].text).trimmed()))
            return i;
    return m_lines.size();
}

QByteArray IniFile::newLineEnd() const
{
    // New lines follow the file's own convention; a new file gets CR LF like the other
    // text files the program writes.
    for (const Line& line : m_lines)
        if (!line.end.isEmpty())
            return line.end;
    return "\r\n";
}

void IniFile::insertLine(qsizetype at, const QByteArray& text)
{
    const QByteArray end = newLineEnd();
    // The line before the new one may have been the last line without an end.
    if (at > 0 && m_lines[at - 1].end.isEmpty())
        m_lines[at - 1].end = end;
    m_lines.insert(at, {text, end});
}
