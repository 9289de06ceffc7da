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

namespace {

// "name.INI" or "name.ini" in the folder, whichever exists (upper case first), else empty.
QString existingFile(const QString& folder, const QString& base)
{
    for (const char* extension : {".INI", ".ini"}) {
        const QString path = folder + QLatin1Char('/') + base + QLatin1String(extension);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

} // namespace

StartupSettings::Location StartupSettings::locate(const QString& executablePath,
                                                  const QString& fallbackFolder)
{
    const QFileInfo exe(executablePath);
    const QString folder = exe.absolutePath();
    const QString base = exe.completeBaseName();
    const QString besideExe = existingFile(folder, base);
    const QString created = QStringLiteral("/%1.ini").arg(base);

    if (ProgramFiles::canCreateFilesIn(folder) &&
        (besideExe.isEmpty() || QFileInfo(besideExe).isWritable())) {
        const QString path = besideExe.isEmpty() ? folder + created : besideExe;
        return {path, path};
    }
    const QString fallback = QDir(fallbackFolder).absolutePath();
    const QString inFallback = existingFile(fallback, base);
    const QString writePath = inFallback.isEmpty() ? fallback + created : inFallback;
    if (inFallback.isEmpty() && !besideExe.isEmpty())
        return {besideExe, writePath};
    return {writePath, writePath};
}

StartupSettings::Location StartupSettings::defaultLocation(const QString& executableName)
{
    const QString executable = executableName.isEmpty() ? QCoreApplication::applicationFilePath()
                                                        : QCoreApplication::applicationDirPath() +
                                                              QLatin1Char('/') + executableName;
    return locate(executable, ProgramFiles::fallbackFolder());
}

StartupSettings::StartupSettings(UiPort& ui, const Location& location, const QLocale& locale)
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
