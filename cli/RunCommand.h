#pragma once

#include "cli/CliCommand.h"

int runRunCommand(const QStringList& args);

inline constexpr CliCommand RunCommand = {
    "run",
    "run SCRIPT [--lines A-B] [--repeat [--count N] [--period MS] [--csv FILE]] "
    "[--simulate[=N]] [--bridge SERIAL] [--settings FILE] [--var NAME[:TYPE]]...",
    "Send the script's lines once (or Repeat them) and print the status-window lines; exit 3 "
    "when a transaction was not acknowledged.",
    runRunCommand};
