#pragma once

#include "cli/CliCommand.h"

int runScanCommand(const QStringList& args);

inline constexpr CliCommand ScanCommand = {
    "scan", "scan [--simulate[=N]] [--bridge SERIAL] [--settings FILE] [--var NAME[:TYPE]]...",
    "List the 7-bit addresses that answer on the selected bridge's bus, as the List command "
    "prints them.",
    runScanCommand};
