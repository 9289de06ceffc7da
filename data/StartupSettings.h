#pragma once

#include "base/ProgramFiles.h"

#include <QLocale>
#include <QString>

class ChartModel;
class UiPort;
class VariableDefinitions;

// The start-up settings file: named after the executable with the extension ".INI", beside
// it. An existing "name.INI" is used before "name.ini"; without either, "name.ini" is created.
// When the executable's folder cannot be written, the file lives in the user's config folder
// instead (a read-only copy beside the executable still supplies the first values): the rule
// of ProgramFiles::locate.
class StartupSettings
{
public:
    // executablePath: the program's full path ("taviro-cli" passes the GUI's, "…/taviro").
    // fallbackFolder: where the file goes when the executable's folder is read-only.
    static ProgramFiles::Location locate(const QString& executablePath,
                                         const QString& fallbackFolder);
    // The file of the program called executableName in the running executable's folder
    // (empty: the running executable itself), falling back to ~/.config/taviro/. taviro-cli
    // asks for "taviro" so that both front ends share one set of variables.
    static ProgramFiles::Location defaultLocation(const QString& executableName = QString());

    StartupSettings(UiPort& ui, const ProgramFiles::Location& location,
                    const QLocale& locale = QLocale());

    const ProgramFiles::Location& location() const { return m_location; }

    // Fills the definitions (missing file or keys: the defaults) and puts the series of the
    // active variables on the chart in index order.
    void read(VariableDefinitions& definitions, ChartModel& chart);
    // Writes all keys, leaving the rest of the file as it was. On failure shows
    // "Unable to write to <path>" and returns false.
    bool write(const VariableDefinitions& definitions);

private:
    UiPort& m_ui;
    ProgramFiles::Location m_location;
    QLocale m_locale;
};
