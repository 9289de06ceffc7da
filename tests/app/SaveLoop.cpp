// Saves one of the files the program rewrites, over and over, alternating two contents, and
// says so before each save, so that a test can kill it in the middle of one and look at what
// the file holds: the old content or the new one, never a mix.
//
//   taviro_save_loop settings|script PATH
//
// First it writes the two contents in full to PATH.a and PATH.b and prints "ready"; then it
// saves them to PATH in turn, printing "saving N" before save N.

#include "data/StartupSettings.h"
#include "data/TVarType.h"
#include "data/VariableDefinitions.h"
#include "script/ScriptFile.h"
#include "support/SilentUiPort.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

bool save(const QString& kind, const QString& path, int which)
{
    const QChar mark = which == 0 ? u'A' : u'B';
    if (kind == QLatin1String("script")) {
        // Big enough that a save takes a while: 20,000 lines of about 60 characters.
        QStringList lines;
        for (int i = 0; i < 20000; ++i)
            lines << QStringLiteral("S A0 %1 11 22 33 44 55 66 77 P ; line %2 of content %3")
                         .arg(i % 256, 2, 16, QLatin1Char('0'))
                         .arg(i)
                         .arg(mark);
        return ScriptFile::write(path, lines);
    }
    VariableDefinitions definitions;
    for (int i = 0; i < VariableDefinitions::Count; ++i)
        definitions.declare(i, QString(40, mark) + QString::number(i), quint8(i % 4));
    definitions.Decimation = which;
    SilentUiPort ui;
    return StartupSettings(ui, {path, path}).write(definitions);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: taviro_save_loop settings|script PATH\n");
        return 2;
    }
    const QString& kind = args[1];
    const QString& path = args[2];
    if (!save(kind, path + QStringLiteral(".a"), 0) || !save(kind, path + QStringLiteral(".b"), 1))
        return 1;
    std::printf("ready\n");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        std::printf("saving %d\n", n);
        std::fflush(stdout);
        if (!save(kind, path, n % 2))
            return 1;
    }
}
