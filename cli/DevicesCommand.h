#pragma once

#include "cli/CliCommand.h"

// taviro-cli devices: every HID interface the platform sees, with its identity, report
// lengths, whether it is a bridge, and why it cannot be used when it cannot be opened.
extern const CliCommand DevicesCommand;

class HidPlatform;
class QString;
class QTextStream;

// Lists what platform sees (only the interfaces with serial number bridgeSerial when that is
// given) on out; errors on err. Returns the exit code.
int listDevices(HidPlatform& platform, const QString& bridgeSerial, QTextStream& out,
                QTextStream& err);

// The udev rule lines that give the logged-in user access to the bridge.
QString bridgeUdevRule();
