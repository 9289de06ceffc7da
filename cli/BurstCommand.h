#pragma once

#include "cli/CliCommand.h"

int runBurstCommand(const QStringList& args);

inline constexpr CliCommand BurstCommand = {
    "burst",
    "burst SCRIPT --line N --out FILE (--records N | --seconds S) [--hex] [--csv FILE] "
    "[--simulate[=N]] [--bridge SERIAL] [--settings FILE] [--var NAME[:TYPE]]...",
    "Capture line N's first read in burst mode into FILE until N records or S seconds (or an "
    "interrupt), then read it back and print \"Ct=... Rate=... smp/s\".",
    runBurstCommand};
