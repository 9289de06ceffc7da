#pragma once

#include "cli/CliCommand.h"

int runUpgradeCommand(const QStringList& args);

inline constexpr CliCommand UpgradeCommand = {
    "upgrade", "upgrade FILE.hex [--yes] [--timeout S] [--simulate[=N]] [--bridge SERIAL]",
    "Program a firmware image (Intel HEX) into the selected bridge through its boot loader, or "
    "into a boot-loader bridge attached when none is selected.",
    runUpgradeCommand};
