#include "cli/BurstCommand.h"
#include "cli/CheckCommand.h"
#include "cli/CliCommand.h"
#include "cli/CompileCommand.h"
#include "cli/ControlCommands.h"
#include "cli/ConvertCommand.h"
#include "cli/DevicesCommand.h"
#include "cli/MakeImageCommand.h"
#include "cli/RunCommand.h"
#include "cli/ScanCommand.h"
#include "cli/UpgradeCommand.h"

#include <QCoreApplication>

#include <array>

namespace {

// Every sub-command, in the order --help lists them.
// One entry per line, so that new commands merge cleanly.
// clang-format off
const std::array Commands = {
    BurstCommand,
    CheckCommand,
    CompileCommand,
    ConvertCommand,
    DevicesCommand,
    ListCommand,
    MakeImageCommand,
    PowerCommand,
    ResetCommand,
    RunCommand,
    ScanCommand,
    SpeedCommand,
    UpgradeCommand,
};
// clang-format on

void printHelp(QTextStream& s)
{
    s << "usage: taviro-cli COMMAND [OPTIONS] [ARGS]\n"
         "       taviro-cli --help | --version\n\n"
         "Host tool for the USB HID I2C bridge, without a window.\n\n"
         "Commands:\n";
    for (const CliCommand& c : Commands)
        s << "  " << QString::fromLatin1(c.synopsis) << "\n      " << c.summary << "\n";
    s << "\nExit codes: 0 success, 1 failure (syntax error, no bridge, file error), 2 bad usage,\n"
         "3 some transaction was not acknowledged or timed out.\n";
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("taviro-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVIRO_VERSION));

    QStringList args = QCoreApplication::arguments().mid(1);
    // The device options may also stand before the command ("taviro-cli --simulate list");
    // they go to the command with the rest of its arguments.
    QStringList deviceOptions;
    while (!args.isEmpty() && (args.first().startsWith(QLatin1String("--simulate")) ||
                               args.first().startsWith(QLatin1String("--bridge")))) {
        deviceOptions << args.takeFirst();
        if (deviceOptions.last() == QLatin1String("--bridge") && !args.isEmpty())
            deviceOptions << args.takeFirst();
    }
    if (args.isEmpty()) {
        printHelp(cli::err());
        return 2;
    }
    const QString first = args.takeFirst();
    if (first == QLatin1String("--help") || first == QLatin1String("-h")) {
        printHelp(cli::out());
        return 0;
    }
    if (first == QLatin1String("--version")) {
        cli::out() << "taviro-cli " << TAVIRO_VERSION << "\n";
        return 0;
    }
    for (const CliCommand& c : Commands)
        if (first == QLatin1String(c.name))
            return c.run(args + deviceOptions);
    cli::err() << "taviro-cli: unknown command or option '" << first << "'\n";
    printHelp(cli::err());
    return 2;
}
