#include "data/DataSettings.h"

#include "data/IniFile.h"
#include "data/SettingsForm.h"
#include "data/VarColors.h"
#include "data/VariableDefinitions.h"

#include <QFile>

const QString DataSettings::Section = QStringLiteral("Data Settings");

namespace {

QString varKey(int n, const char* field)
{
    return QStringLiteral("Var%1.%2").arg(n).arg(QLatin1String(field));
}

// Reads the typed keys of one section with per-key defaults.
class Reader
{
public:
    Reader(const IniFile& file, const QLocale& locale) : m_file(file), m_locale(locale) {}

    std::optional<QString> text(const QString& key) const
    {
        return m_file.value(DataSettings::Section, key);
    }
    QString text(const QString& key, const QString& fallback) const
    {
        return text(key).value_or(fallback);
    }
    qint32 integer(const QString& key, qint32 fallback) const
    {
        const std::optional<QString> t = text(key);
        return t ? DataSettings::toInteger(*t).value_or(fallback) : fallback;
    }
    bool boolean(const QString& key, bool fallback) const
    {
        return integer(key, fallback ? 1 : 0) != 0;
    }
    double number(const QString& key, double fallback) const
    {
        const std::optional<QString> t = text(key);
        return t ? DataSettings::toFloat(*t, m_locale).value_or(fallback) : fallback;
    }

private:
    const IniFile& m_file;
    const QLocale& m_locale;
};

class Writer
{
public:
    Writer(IniFile& file, const QLocale& locale) : m_file(file), m_locale(locale) {}

    void text(const QString& key, const QString& value)
    {
        m_file.setValue(DataSettings::Section, key, value);
    }
    void integer(const QString& key, qint64 value) { text(key, QString::number(value)); }
    void boolean(const QString& key, bool value) { integer(key, value ? 1 : 0); }
    void number(const QString& key, double value)
    {
        text(key, DataSettings::fromFloat(value, m_locale));
    }

private:
    IniFile& m_file;
    const QLocale& m_locale;
};

} // namespace

void DataSettings::readStartup(const IniFile& file, VariableDefinitions& definitions,
                               const QLocale& locale)
{
    const Reader r(file, locale);
    definitions.Decimation = r.integer(QStringLiteral("Decimation"), 0);
    definitions.Scroll = r.integer(QStringLiteral("Scroll"), 1);
    definitions.AxisX = r.boolean(QStringLiteral("AxisX"), false);
    for (int n = 1; n <= VariableDefinitions::Count; ++n) {
        const int i = n - 1;
        TDataVariable& d = definitions.DataVars[size_t(i)];
        d.Active = r.boolean(varKey(n, "Active"), false);
        d.Type = quint8(r.integer(varKey(n, "Type"), 0));
        d.Sign = r.boolean(varKey(n, "Sign"), false);
        d.Scale = float(r.number(varKey(n, "Scale"), 1.0));
        d.Offset = float(r.number(varKey(n, "Offset"), 0.0));
        definitions.Names[size_t(i)] = r.text(varKey(n, "Name"), QStringLiteral("Var1"));
        definitions.Colors[size_t(i)] =
            quint8(r.integer(varKey(n, "Color"), DefaultVarColor[size_t(i)]));
    }
}

void DataSettings::writeStartup(IniFile& file, const VariableDefinitions& definitions,
                                const QLocale& locale)
{
    Writer w(file, locale);
    w.integer(QStringLiteral("Decimation"), definitions.Decimation);
    w.integer(QStringLiteral("Scroll"), definitions.Scroll);
    w.boolean(QStringLiteral("AxisX"), definitions.AxisX);
    for (int n = 1; n <= VariableDefinitions::Count; ++n) {
        const int i = n - 1;
        const TDataVariable& d = definitions.DataVars[size_t(i)];
        w.boolean(varKey(n, "Active"), d.Active);
        w.integer(varKey(n, "Type"), d.Type);
        w.boolean(varKey(n, "Sign"), d.Sign);
        w.number(varKey(n, "Scale"), double(d.Scale));
        w.number(varKey(n, "Offset"), double(d.Offset));
        w.text(varKey(n, "Name"), definitions.Names[size_t(i)]);
        w.integer(varKey(n, "Color"), definitions.Colors[size_t(i)]);
    }
}

bool DataSettings::loadForm(const IniFile& file, SettingsForm& form, const QLocale& locale,
                            int* failedRow)
{
    const Reader r(file, locale);
    form.decimation = r.integer(QStringLiteral("Decimation"), 0);
    form.scroll = r.integer(QStringLiteral("Scroll"), 1);
    for (int n = 1; n <= int(form.rows.size()); ++n) {
        SettingsForm::Row& row = form.rows[size_t(n - 1)];
        row.active = r.boolean(varKey(n, "Active"), false);
        const qint32 type = r.integer(varKey(n, "Type"), 0);
        if (type >= 0 && type <= 3)
            row.type = type;
        row.sign = r.boolean(varKey(n, "Sign"), false);
        row.scale = r.number(varKey(n, "Scale"), 1.0);
        row.offset = r.number(varKey(n, "Offset"), 0.0);
        const qint32 color = r.integer(varKey(n, "Color"), DefaultVarColor[size_t(n - 1)]);
        if (color < 0 || color >= int(VarColors.size())) {
            if (failedRow)
                *failedRow = n - 1;
            return false;
        }
        row.color = color;
    }
    for (int n = 1; n <= int(form.rows.size()); ++n)
        form.rows[size_t(n - 1)].name = r.text(varKey(n, "Name"), QStringLiteral("Var%1").arg(n));
    return true;
}

void DataSettings::saveForm(IniFile& file, const SettingsForm& form, const QLocale& locale)
{
    Writer w(file, locale);
    w.integer(QStringLiteral("Decimation"), form.decimation);
    w.integer(QStringLiteral("Scroll"), form.scroll);
    for (int n = 1; n <= int(form.rows.size()); ++n) {
        const SettingsForm::Row& row = form.rows[size_t(n - 1)];
        w.boolean(varKey(n, "Active"), row.active);
        if (row.type >= 0 && row.type <= 3)
            w.integer(varKey(n, "Type"), row.type);
        w.boolean(varKey(n, "Sign"), row.sign);
        w.number(varKey(n, "Scale"), row.scale);
        w.number(varKey(n, "Offset"), row.offset);
        if (row.color >= 0 && row.color < int(VarColors.size()))
            w.integer(varKey(n, "Color"), row.color);
    }
    for (int n = 1; n <= int(form.rows.size()); ++n)
        w.text(varKey(n, "Name"), form.rows[size_t(n - 1)].name);
}

bool DataSettings::readStartupFile(const QString& path, VariableDefinitions& definitions,
                                   const QLocale& locale)
{
    IniFile file;
    const bool read = file.load(path);
    readStartup(file, definitions, locale);
    return read;
}

bool DataSettings::loadFormFile(const QString& path, SettingsForm& form, const QLocale& locale)
{
    IniFile file;
    file.load(path);
    return loadForm(file, form, locale);
}

bool DataSettings::saveFormFile(const QString& path, const SettingsForm& form,
                                const QLocale& locale)
{
    IniFile file;
    // Other sections of an existing file survive; one that cannot be read is not replaced.
    if (!file.load(path) && QFile::exists(path))
        return false;
    saveForm(file, form, locale);
    return file.save(path);
}

std::optional<qint32> DataSettings::toInteger(const QString& text)
{
    bool ok = false;
    if (text.size() > 2 &&
        (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))) {
        // Up to 32 bits; 0xFFFFFFFF reads as -1 like any 32-bit integer.
        const quint32 value = QStringView(text).mid(2).toUInt(&ok, 16);
        return ok ? std::optional<qint32>(qint32(value)) : std::nullopt;
    }
    const qint32 value = text.toInt(&ok, 10);
    return ok ? std::optional<qint32>(value) : std::nullopt;
}

std::optional<double> DataSettings::toFloat(const QString& text, const QLocale& locale)
{
    // Only the decimal separator follows the locale: digits, signs and exponent stay ASCII,
    // and no group separators are accepted.
    const QString separator = locale.decimalPoint();
    QString c = text;
    if (separator != QLatin1String(".")) {
        if (c.contains(QLatin1Char('.')))
            return std::nullopt;
        c.replace(separator, QLatin1String("."));
    }
    QLocale cLocale = QLocale::c();
    cLocale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = cLocale.toDouble(c, &ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

QString DataSettings::fromFloat(double value, const QLocale& locale)
{
    QLocale cLocale = QLocale::c();
    cLocale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::OmitLeadingZeroInExponent);
    QString text = cLocale.toString(value, 'g', 15);
    const QString separator = locale.decimalPoint();
    if (separator != QLatin1String("."))
        text.replace(QLatin1Char('.'), separator);
    return text;
}
