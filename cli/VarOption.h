#pragma once

#include <QString>
#include <QStringList>

class VariableDefinitions;

// The --var option that every script-running command takes: "--var NAME[:TYPE]" or
// "--var=NAME[:TYPE]" declares the next variable (1, 2, ... in the order given) active, with
// TYPE byte, int, long or float (default byte).
namespace VarOption {

inline constexpr const char* Help =
    "  --var NAME[:TYPE]  declare the next variable (1, 2, ... up to 16) as active; TYPE is\n"
    "                     byte (default), int, long or float\n";

// If args[index] is a --var option, consumes it (and its value), declares the variable and
// returns true; index then points past it. error is set when the option is malformed.
bool take(const QStringList& args, qsizetype& index, VariableDefinitions& variables, int& declared,
          QString& error);

} // namespace VarOption
