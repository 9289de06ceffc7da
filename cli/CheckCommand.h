#pragma once

#include "cli/CliCommand.h"

int runCheckCommand(const QStringList& args);

inline constexpr CliCommand CheckCommand = {
    "check", "check [--settings FILE] [--var NAME[:TYPE]]... SCRIPT",
    "Check the syntax of a command script; prints the verdict, exit 1 on an error.",
    runCheckCommand};
