#pragma once

#include "cli/CliCommand.h"

int runConvertCommand(const QStringList& args);

inline constexpr CliCommand ConvertCommand = {
    "convert", "convert [--settings FILE] [--var NAME[:TYPE]]... [-o OUT.iic] BLFILE",
    "Convert an I2C boot-loader text file into a command script; prints (or writes) the "
    "script and its syntax verdict.",
    runConvertCommand};
