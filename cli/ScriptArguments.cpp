#include "cli/ScriptArguments.h"

#include "cli/CliCommand.h"
#include "cli/VarOption.h"
#include "data/DataSettings.h"
#include "data/StartupSettings.h"
#include "script/ScriptLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString ScriptArguments::companionSettingsFile(const QString& scriptPath)
{
    if (scriptPath.isEmpty() || scriptPath == u"-")
        return {};
    const QFileInfo script(scriptPath);
    for (const char* extension : {".ini", ".INI"}) {
        const QString candidate =
            script.dir().filePath(script.completeBaseName() + QLatin1String(extension));
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return {};
}

std::optional<int> ScriptArguments::parse(const CliCommand& command, const QStringList& args)
{
    int declared = 0;
    VariableDefinitions declaredVariables;
    QString settingsPath;
    QStringList positional;
    bool optionsDone = false;
    for (qsizetype i = 0; i < args.size();) {
        const QString& arg = args[i];
        if (optionsDone || arg == u"-" || !arg.startsWith(u'-')) {
            positional.append(arg);
            ++i;
            continue;
        }
        if (arg == u"--") {
            optionsDone = true;
            ++i;
            continue;
        }
        if (arg == u"--help" || arg == u"-h") {
            cli::out() << "usage: taviro-cli " << command.synopsis << "\n"
                       << command.summary << "\n\n";
            if (takesScript)
                cli::out() << "  SCRIPT             command script file, - for standard input\n";
            cli::out()
                << "  --settings FILE    variable definitions from this settings file\n"
                << "                     (default: the script's own NAME.ini beside it, else\n"
                << "                     the start-up settings file, taviro.INI)\n"
                << VarOption::Help;
            cli::out().flush();
            return 0;
        }
        if (arg == u"--settings" || arg.startsWith(u"--settings=")) {
            if (arg.startsWith(u"--settings=")) {
                settingsPath = arg.mid(11);
            } else if (i + 1 < args.size()) {
                settingsPath = args[++i];
            }
            ++i;
            if (settingsPath.isEmpty())
                return cli::usageError(command, QStringLiteral("--settings needs a file name"));
            continue;
        }
        QString error;
        if (!VarOption::take(args, i, declaredVariables, declared, error))
            return cli::usageError(command, QStringLiteral("unknown option '%1'").arg(arg));
        if (!error.isEmpty())
            return cli::usageError(command, error);
    }
    if (!takesScript && !positional.isEmpty())
        return cli::usageError(command, QStringLiteral("unexpected '%1'").arg(positional.first()));
    if (takesScript && positional.isEmpty())
        return cli::usageError(command, QStringLiteral("no %1 given").arg(fileKind));
    if (positional.size() > 1)
        return cli::usageError(
            command, QStringLiteral("one %1 only, got '%2'").arg(fileKind, positional[1]));
    if (takesScript)
        path = positional.first();

    // The settings file gives the definitions; every --var then replaces variable 1, 2, ...
    // Without --settings, a script's own settings file beside it (demo.iic: demo.ini) comes
    // before the start-up settings file, so a script can travel with its variables.
    if (settingsPath.isEmpty()) {
        const QString companion = companionSettingsFile(path);
        DataSettings::readStartupFile(
            !companion.isEmpty()
                ? companion
                : StartupSettings::defaultLocation(QStringLiteral("taviro")).readPath,
            variables);
    } else if (!DataSettings::readStartupFile(settingsPath, variables)) {
        cli::out().flush();
        cli::err() << "taviro-cli: cannot read settings file '" << settingsPath << "'\n";
        cli::err().flush();
        return 1;
    }
    for (int v = 0; v < declared; ++v) {
        variables.DataVars[v] = declaredVariables.DataVars[v];
        variables.Names[v] = declaredVariables.Names[v];
    }
    return std::nullopt;
}

std::optional<int> ScriptArguments::load(const CliCommand& command, const QStringList& args)
{
    if (const std::optional<int> exitCode = parse(command, args))
        return exitCode;
    QFile file;
    bool opened = false;
    if (path == u"-") {
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(path);
        opened = file.open(QIODevice::ReadOnly);
    }
    QByteArray bytes;
    if (opened)
        bytes = file.readAll();
    if (!opened || file.error() != QFileDevice::NoError) {
        cli::out().flush();
        cli::err() << "taviro-cli: cannot read script '" << path << "': " << file.errorString()
                   << "\n";
        cli::err().flush();
        return 1;
    }
    lines = decodeScriptFile(bytes);
    return std::nullopt;
}
