#include "app/DeviceOptions.h"
#include "gui/GuiUiPort.h"
#include "gui/HelpSystem.h"
#include "gui/MainWindow.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

void printUsage(FILE* out)
{
    std::fputs("usage: taviro [--simulate[=N]] [SCRIPT]\n"
               "       taviro --help | --version\n",
               out);
}

void printHelp()
{
    printUsage(stdout);
    std::fputs("\nThe window of the host tool for the USB HID I2C bridge.\n\n"
               "  SCRIPT          command script to load into the editor (default: the last\n"
               "                  script, taviro.cmd beside the program)\n"
               "  --simulate[=N]  N simulated bridges SIM0001... (default 1) instead of the\n"
               "                  attached ones\n"
               "  --help          show this text\n"
               "  --version       show the version\n\n"
               "In the command editor Enter runs Send; Shift+Enter or Ctrl+Enter inserts a line\n"
               "break.\n",
               stdout);
}

// Takes the device options out of args; returns what is wrong with the rest, if anything.
QString parseArguments(QStringList& args, DeviceOptions& options)
{
    QString error;
    if (options.parse(args, &error) && !options.bridgeSerial().isEmpty())
        error = QStringLiteral("--bridge is for taviro-cli; choose the bridge in the window");
    for (const QString& arg : std::as_const(args))
        if (error.isEmpty() && arg.startsWith(QLatin1String("--")))
            error = QStringLiteral("unknown option '%1'").arg(arg);
    return error;
}

} // namespace

int main(int argc, char* argv[])
{
    // These two answer without a display.
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            printHelp();
            return 0;
        }
        if (!std::strcmp(argv[i], "--version")) {
            std::printf("taviro %s\n", TAVIRO_VERSION);
            return 0;
        }
    }

    // Bad usage is told before the window system starts, so that it is told without a
    // display too.
    QStringList early;
    for (int i = 1; i < argc; ++i)
        early.append(QString::fromLocal8Bit(argv[i]));
    DeviceOptions checked;
    const QString error = parseArguments(early, checked);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "taviro: %s\n", qPrintable(error));
        printUsage(stderr);
        return 2;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("taviro"));
    QApplication::setApplicationVersion(QStringLiteral(TAVIRO_VERSION));

    // Again without the window system's own options, which QApplication has taken out.
    QStringList args = QApplication::arguments().mid(1);
    DeviceOptions options;
    parseArguments(args, options);

    // The help is loaded before the window exists; if it cannot be, one box says so and the
    // program runs on without it.
    GuiUiPort startUpUi;
    HelpSystem help(startUpUi);
    help.load(QCoreApplication::applicationDirPath());

    const std::unique_ptr<HidPlatform> platform = options.createPlatform();
    MainWindow window(*platform, MainModel::defaultPaths(), args);
    window.setHelp(help);
    window.show();
    window.start();
    return app.exec();
}
