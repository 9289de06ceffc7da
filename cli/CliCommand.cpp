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

} // namespace cli
