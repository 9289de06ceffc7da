#pragma once

#include "cli/CliCommand.h"

// The commands that look at or set the bridge itself, through the poll timer's path.
int runListCommand(const QStringList& args);
int runPowerCommand(const QStringList& args);
int runSpeedCommand(const QStringList& args);
int runResetCommand(const QStringList& args);

inline constexpr CliCommand ListCommand = {
    "list", "list [--simulate[=N]] [--bridge SERIAL]",
    "List the attached bridges with their firmware versions and the selected one's state.",
    runListCommand};
inline constexpr CliCommand PowerCommand = {
    "power", "power ext|5v|3v3 [--simulate[=N]] [--bridge SERIAL]",
    "Choose the target's power source: external, the bridge's +5 V or its +3.3 V.",
    runPowerCommand};
inline constexpr CliCommand SpeedCommand = {"speed",
                                            "speed 400|100|50 [--simulate[=N]] [--bridge SERIAL]",
                                            "Set the I2C bus speed in kHz.", runSpeedCommand};
inline constexpr CliCommand ResetCommand = {"reset", "reset [--simulate[=N]] [--bridge SERIAL]",
                                            "Reset the bridge.", runResetCommand};
