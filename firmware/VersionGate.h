#pragma once

#include "firmware/FirmwareMessage.h"
#include "firmware/FirmwareVersion.h"

#include <optional>

// Whether an image may be programmed into the selected bridge, judged by the two versions.
// Bridges at 1.0 to 1.21 cannot be upgraded at all; a bridge that already runs a newer version
// than the file's is only downgraded after the user agrees.
class VersionGate
{
public:
    enum class Verdict {
        Pass,   // program without asking (also when the bridge's version is not known)
        Refuse, // the bridge cannot be upgraded
        Ask     // the bridge runs a higher version: ask before going on
    };

    static Verdict check(const std::optional<FirmwareVersion>& bridge, FirmwareVersion file);

    // The box for a Refuse or Ask verdict; for Ask, Ok means go on and Cancel means stop.
    static FirmwareMessage message(Verdict verdict);
};
