#pragma once

#include <QStringList>
#include <QTextStream>

// One sub-command of taviro-cli. run() gets the arguments after the command name and returns
// the process exit code: 0 success, 1 failure, 2 bad usage, 3 a transaction not acknowledged.
struct CliCommand
{
    const char* name;
    const char* synopsis; // one usage line, without "taviro-cli "
    const char* summary;  // one sentence for --help
    int (*run)(const QStringList& args);
};

namespace cli {
QTextStream& out();
QTextStream& err();
// Prints "taviro-cli: <message>" and the usage of the command on stderr; returns 2.
int usageError(const CliCommand& command, const QString& message);
// If args[i] is the option name ("--out FILE" or "--out=FILE"), removes it with its value,
// stores the value (empty when missing) and returns true.
bool takeValue(QStringList& args, qsizetype i, const QString& name, QString& out);
// Prints "taviro-cli: cannot <what> '<path>': <error>" on stderr; returns 1.
int fileError(const QString& what, const QString& path, const QString& error);
} // namespace cli
