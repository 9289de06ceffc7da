#pragma once

#include "base/UiPort.h"

#include <QString>

// A message box the upgrade shows when it refuses a file or a bridge, or asks before going on.
struct FirmwareMessage
{
    QString text;
    QString caption;
    UiPort::Icon icon = UiPort::Icon::Error;
    UiPort::Buttons buttons = static_cast<UiPort::Buttons>(UiPort::Button::Ok);

    // Shows the box and returns the button chosen.
    UiPort::Button show(UiPort& ui) const { return ui.messageBox(text, caption, icon, buttons); }
};
