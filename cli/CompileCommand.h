#pragma once

#include "cli/CliCommand.h"

int runCompileCommand(const QStringList& args);

inline constexpr CliCommand CompileCommand = {
    "compile", "compile [--settings FILE] [--var NAME[:TYPE]]... SCRIPT",
    "Compile a command script line by line and print the report payload of every transaction.",
    runCompileCommand};
