// The settings file: any bytes as an INI file, read by the start-up reader and by "Load...".
// The editor keeps every byte it does not change; what the start-up writer writes reads back
// as the same definitions; what "Save..." writes, "Load..." reads back as the same form (a
// line break inside a value, which a hand-edited file may hold, is written as a blank); and
// a write never touches the other sections.

#include "FuzzSupport.h"

#include "data/DataSettings.h"
#include "data/IniFile.h"
#include "data/SettingsForm.h"
#include "data/VariableDefinitions.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// A name as it reads back once written: line breaks in a value are written as blanks.
QString written(QString name)
{
    return name.replace(u'\r', u' ').replace(u'\n', u' ').trimmed();
}

bool sameNumber(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

bool sameDefinitions(const VariableDefinitions& a, const VariableDefinitions& b)
{
    if (a.Decimation != b.Decimation || a.Scroll != b.Scroll || a.AxisX != b.AxisX)
        return false;
    for (size_t i = 0; i < size_t(VariableDefinitions::Count); ++i) {
        const TDataVariable& x = a.DataVars[i];
        const TDataVariable& y = b.DataVars[i];
        if (x.Active != y.Active || x.Type != y.Type || x.Sign != y.Sign ||
            !sameNumber(x.Scale, y.Scale) || !sameNumber(x.Offset, y.Offset) ||
            written(a.Names[i]) != b.Names[i] || a.Colors[i] != b.Colors[i])
            return false;
    }
    return true;
}

// "Save..." writes numbers with 15 significant digits, as the program always has; a number a
// file gave with more comes back rounded to them. (The program keeps them in single precision,
// which 15 digits hold exactly.)
bool sameWrittenNumber(double a, double b)
{
    return sameNumber(a, b) || std::abs(a - b) <= 1e-14 * std::max(std::abs(a), std::abs(b));
}

bool sameForm(const SettingsForm& a, const SettingsForm& b)
{
    if (a.decimation != b.decimation || a.scroll != b.scroll)
        return false;
    for (size_t i = 0; i < a.rows.size(); ++i) {
        const SettingsForm::Row& x = a.rows[i];
        const SettingsForm::Row& y = b.rows[i];
        if (x.active != y.active || x.type != y.type || x.sign != y.sign ||
            !sameWrittenNumber(x.scale, y.scale) || !sameWrittenNumber(x.offset, y.offset) ||
            written(x.name) != y.name || x.color != y.color)
            return false;
    }
    return true;
}

// The lines outside the "Data Settings" section (line ends aside), which no write may change,
// and how many sections of that name the file holds.
struct Outside
{
    QList<QByteArray> lines;
    int dataSections = 0;
};

Outside outside(QByteArray content)
{
    if (content.startsWith("\xEF\xBB\xBF"))
        content.remove(0, 3);
    // Lines as the editor cuts them: at LF; a line end at the very end starts no line.
    QList<QByteArray> lines;
    for (qsizetype pos = 0; pos < content.size();) {
        const qsizetype newline = content.indexOf('\n', pos);
        if (newline < 0) {
            lines.append(content.mid(pos));
            break;
        }
        lines.append(content.mid(pos, newline - pos));
        pos = newline + 1;
    }
    // CRs that end a line count as its line end: a line end appended after a last line that
    // ends in a lone CR makes that CR part of it.
    for (QByteArray& line : lines)
        while (line.endsWith('\r'))
            line.chop(1);
    Outside result;
    bool inside = false;
    for (const QByteArray& line : lines) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.startsWith('[') && trimmed.contains(']')) {
            const QString name =
                QString::fromUtf8(trimmed.mid(1, trimmed.indexOf(']') - 1).trimmed());
            inside = name.compare(DataSettings::Section, Qt::CaseInsensitive) == 0;
            result.dataSections += inside ? 1 : 0;
        }
        if (!inside)
            result.lines.append(line);
    }
    return result;
}

void run(const QByteArray& bytes, const QLocale& locale, bool rewrite)
{
    IniFile file;
    file.setContent(bytes);
    FUZZ_CHECK(file.content() == bytes);

    VariableDefinitions definitions;
    DataSettings::readStartup(file, definitions, locale);
    SettingsForm form;
    const bool loaded = DataSettings::loadForm(file, form, locale);
    if (!rewrite)
        return;

    IniFile written = file;
    DataSettings::writeStartup(written, definitions, locale);
    VariableDefinitions again;
    DataSettings::readStartup(written, again, locale);
    FUZZ_CHECK(sameDefinitions(definitions, again));

    if (loaded) {
        IniFile saved = file;
        DataSettings::saveForm(saved, form, locale);
        SettingsForm back;
        FUZZ_CHECK(DataSettings::loadForm(saved, back, locale));
        FUZZ_CHECK(sameForm(form, back));
    }
    // Only the first section of that name is edited; a second one of the same name counts as
    // its continuation here, so the check covers files with at most one.
    const Outside before = outside(bytes);
    if (before.dataSections <= 1) {
        const Outside after = outside(written.content());
        // A new section may come after a blank line at the end.
        FUZZ_CHECK(after.lines.mid(0, before.lines.size()) == before.lines);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const QLocale c = QLocale::c();
    static const QLocale comma(QLocale::German, QLocale::Germany);
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    // Each input is read under one of the two decimal separators, the same one every time.
    const QLocale& locale = size > 0 && (data[size - 1] & 1) ? comma : c;
    // Rewriting all 115 keys, each looked up in the whole file, is the slow part.
    run(bytes, locale, oneInputIn(8, data, size));
    return 0;
}
