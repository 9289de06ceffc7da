#include "cli/CliCommand.h"

#include <cstdio>

namespace cli {

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usageError(const CliCommand& command, const QString& message)
{
    out().flush();
    err() << "taviro-cli: " << message << "\nusage: taviro-cli " << command.synopsis << "\n"
          << "Try 'taviro-cli --help' for more information.\n";
    err().flush();
    return 2;
}

int fileError(const QString& what, const QString& path, const QString& error)
{
    out().flush();
    err() << "taviro-cli: cannot " << what << " '" << path << "': " << error << "\n";
    err().flush();
    return 1;
}

bool takeValue(QStringList& args, qsizetype i, const QString& name, QString& out)
{
    const QString& arg = args[i];
    if (arg.startsWith(name + u'=')) {
        out = arg.mid(name.size() + 1);
        args.removeAt(i);
        return true;
    }
    if (arg != name)
        return false;
    out = i + 1 < args.size() ? args[i + 1] : QString();
    args.remove(i, qMin<qsizetype>(2, args.size() - i));
    return true;
}

} // namespace cli
