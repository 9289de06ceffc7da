#pragma once

#include "cli/CliCommand.h"

int runMakeImageCommand(const QStringList& args);

inline constexpr CliCommand MakeImageCommand = {
    "make-image",
    "make-image --version MAJOR.MINOR [--lines N] [--seed N] [--bad-checksum LINE] "
    "[--wrong-address] [--no-marker] [-o FILE.hex]",
    "Write a bridge firmware image (Intel HEX) of the given version, or a faulty one for "
    "tests.",
    runMakeImageCommand};
