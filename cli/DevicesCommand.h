#pragma once

#include "cli/CliCommand.h"

// taviro-cli devices: every HID interface the platform sees, with its identity, report
// lengths, whether it is a bridge, and why it cannot be used when it cannot be opened.
extern const CliCommand DevicesCommand;
