#include "cli/ConvertCommand.h"

#include "base/ReplaceFile.h"
#include "cli/ScriptArguments.h"
#include "cli/VarOption.h"
#include "firmware/BootloaderConversion.h"
#include "script/CheckScript.h"

#include <QFile>

namespace {

void printHelp()
{
    cli::out() << "usage: taviro-cli " << ConvertCommand.synopsis << "\n"
               << ConvertCommand.summary << "\n\n"
               << "  BLFILE             boot-loader text file, - for standard input\n"
               << "  -o, --output FILE  write the script to FILE (CR LF line ends) instead of\n"
               << "                     printing it; the verdict is still printed\n"
               << "  --settings FILE    variable definitions for the check from this settings\n"
               << "                     file (default: the start-up settings file, taviro.INI)\n"
               << VarOption::Help;
    cli::out().flush();
}

bool writeScript(const QString& path, const QStringList& lines, QString& error)
{
    QByteArray text;
    for (const QString& line : lines) {
        text += line.toLocal8Bit();
        text += "\r\n";
    }
    return replaceFile(path, text, &error);
}

} // namespace

int runConvertCommand(const QStringList& args)
{
    // -o and --help are this command's own; the rest is the options of every script command.
    QString outputPath;
    QStringList scriptArgs;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == u"--") {
            scriptArgs += args.mid(i);
            break;
        }
        if (arg == u"--help" || arg == u"-h") {
            printHelp();
            return 0;
        }
        if (arg == u"-o" || arg == u"--output") {
            if (i + 1 >= args.size() || args[i + 1].isEmpty())
                return cli::usageError(ConvertCommand, arg + QStringLiteral(" needs a file name"));
            outputPath = args[++i];
            continue;
        }
        if (arg.startsWith(u"--output=")) {
            outputPath = arg.mid(9);
            if (outputPath.isEmpty())
                return cli::usageError(ConvertCommand,
                                       QStringLiteral("--output needs a file name"));
            continue;
        }
        scriptArgs.append(arg);
    }
    ScriptArguments script;
    script.fileKind = QStringLiteral("boot-loader file");
    if (const std::optional<int> exitCode = script.parse(ConvertCommand, scriptArgs))
        return *exitCode;

    QFile in;
    const bool fromStdin = script.path == u"-";
    if (fromStdin && !in.open(stdin, QIODevice::ReadOnly)) {
        cli::err() << "taviro-cli: cannot read standard input: " << in.errorString() << "\n";
        cli::err().flush();
        return 1;
    }
    const BootloaderConversion conversion =
        fromStdin ? BootloaderConversion::read(in) : BootloaderConversion::readFile(script.path);

    QTextStream& out = cli::out();
    if (outputPath.isEmpty())
        for (const QString& line : conversion.lines())
            out << line << "\n";
    out.flush();
    if (!conversion.completed()) {
        // As in the editor: the lines converted before the failure stay, without ";END" and
        // without a check; a file named with -o is left as it was.
        cli::err() << "taviro-cli: cannot read boot-loader file '" << script.path
                   << "': " << conversion.error() << "\n";
        cli::err().flush();
        return 1;
    }
    if (!outputPath.isEmpty()) {
        QString error;
        if (!writeScript(outputPath, conversion.lines(), error)) {
            cli::err() << "taviro-cli: cannot write '" << outputPath << "': " << error << "\n";
            cli::err().flush();
            return 1;
        }
    }
    const CheckVerdict verdict = CheckScript(conversion.lines(), script.variables);
    out << verdict.panelText() << "\n";
    out.flush();
    return verdict.ok ? 0 : 1;
}
