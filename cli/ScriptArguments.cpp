#include "cli/ScriptArguments.h"

#include "cli/CliCommand.h"
#include "cli/VarOption.h"
#include "script/ScriptLines.h"

#include <QFile>

std::optional<int> ScriptArguments::load(const CliCommand& command, const QStringList& args)
{
    int declared = 0;
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
                       << command.summary << "\n\n"
                       << "  SCRIPT             command script file, - for standard input\n"
                       << VarOption::Help;
            cli::out().flush();
            return 0;
        }
        QString error;
        if (!VarOption::take(args, i, variables, declared, error))
            return cli::usageError(command, QStringLiteral("unknown option '%1'").arg(arg));
        if (!error.isEmpty())
            return cli::usageError(command, error);
    }
    if (positional.isEmpty())
        return cli::usageError(command, QStringLiteral("no script file given"));
    if (positional.size() > 1)
        return cli::usageError(command,
                               QStringLiteral("one script file only, got '%1'").arg(positional[1]));
    path = positional.first();

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
