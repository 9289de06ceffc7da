#pragma once

#include <QLocale>
#include <QString>
#include <QtGlobal>

#include <optional>

class IniFile;
class VariableDefinitions;
struct SettingsForm;

// The variable definitions and capture settings in an INI file, section "Data Settings":
// the start-up file (read at start, written at every OK of the settings dialog) and the
// dialog's "Load..."/"Save..." files. Decimal numbers use the given locale's separator.
class DataSettings
{
public:
    static const QString Section;

    // Start-up rules: defaults for what is missing or unreadable, every name "Var1", Type and
    // Color keep their low 8 bits.
    static void readStartup(const IniFile& file, VariableDefinitions& definitions,
                            const QLocale& locale);
    // All 3 + 16 x 7 keys in their fixed order; Scale and Offset as the widened floats.
    static void writeStartup(IniFile& file, const VariableDefinitions& definitions,
                             const QLocale& locale);

    // "Load...": into the form; stops at a Color outside 0..17 and returns false (the rows
    // read so far stay, the rest and all names are untouched) with that row's index in
    // failedRow: rows before it are read whole, the row itself except its Color. AxisX is not
    // read.
    static bool loadForm(const IniFile& file, SettingsForm& form, const QLocale& locale,
                         int* failedRow = nullptr);
    // "Save...": Decimation, Scroll, the rows without names, then the names; no AxisX.
    static void saveForm(IniFile& file, const SettingsForm& form, const QLocale& locale);

    // Reads a settings file with the start-up rules. Returns false when the file cannot be
    // read; the definitions then hold the start-up defaults.
    static bool readStartupFile(const QString& path, VariableDefinitions& definitions,
                                const QLocale& locale = QLocale());
    static bool loadFormFile(const QString& path, SettingsForm& form,
                             const QLocale& locale = QLocale());
    static bool saveFormFile(const QString& path, const SettingsForm& form,
                             const QLocale& locale = QLocale());

    // Value forms. Integers: decimal, or hexadecimal after "0x"/"0X" when more follows.
    static std::optional<qint32> toInteger(const QString& text);
    static std::optional<double> toFloat(const QString& text, const QLocale& locale);
    // General form, up to 15 significant digits, the locale's decimal separator.
    static QString fromFloat(double value, const QLocale& locale);
};
