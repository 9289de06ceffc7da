#include "data/StartupSettings.h"

#include "base/ProgramFiles.h"
#include "base/UiPort.h"
#include "data/ChartModel.h"
#include "data/DataSettings.h"
#include "data/IniFile.h"
#include "data/VariableDefinitions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

ProgramFiles::Location StartupSettings::locate(const QString& executablePath,
                                               const QString& fallbackFolder)
{
    const QFileInfo exe(executablePath);
    const QString base = exe.completeBaseName();
    return ProgramFiles::locate(exe.absolutePath(),
                                {base + QStringLiteral(".INI"), base + QStringLiteral(".ini")},
                                fallbackFolder);
}

ProgramFiles::Location StartupSettings::defaultLocation(const QString& executableName)
{
    const QString executable = executableName.isEmpty() ? QCoreApplication::applicationFilePath()
                                                        : QCoreApplication::applicationDirPath() +
                                                              QLatin1Char('/') + executableName;
    return locate(executable, ProgramFiles::fallbackFolder());
}

StartupSettings::StartupSettings(UiPort& ui, const ProgramFiles::Location& location,
                                 const QLocale& locale)
    : m_ui(ui), m_location(location), m_locale(locale)
{}

void StartupSettings::read(VariableDefinitions& definitions, ChartModel& chart)
{
    DataSettings::readStartupFile(m_location.readPath, definitions, m_locale);
    for (int i = 0; i < VariableDefinitions::Count; ++i)
        if (definitions.DataVars[size_t(i)].Active)
            chart.putOnChart(i);
}

bool StartupSettings::write(const VariableDefinitions& definitions)
{
    const QString& path = m_location.writePath;
    // The current file is the base, so its other sections and comments survive; when the
    // file will be created elsewhere, the read-only copy read at start-up is.
    const QString base = QFileInfo::exists(path) ? path : m_location.readPath;
    IniFile file;
    bool ok = file.load(base) || !QFileInfo::exists(base);
    if (ok) {
        DataSettings::writeStartup(file, definitions, m_locale);
        ok = QDir().mkpath(QFileInfo(path).absolutePath()) && file.save(path);
    }
    if (!ok) {
        m_ui.messageBox(QStringLiteral("Unable to write to %1")
                            .arg(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())),
                        QStringLiteral("Taviro"), UiPort::Icon::Error, int(UiPort::Button::Ok));
        return false;
    }
    m_location.readPath = path;
    return true;
}
