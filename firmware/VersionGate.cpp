#include "firmware/VersionGate.h"

VersionGate::Verdict VersionGate::check(const std::optional<FirmwareVersion>& bridge,
                                        FirmwareVersion file)
{
    if (!bridge)
        return Verdict::Pass;
    if (bridge->major == 1 && bridge->minor < 22)
        return Verdict::Refuse;
    if (*bridge > file)
        return Verdict::Ask;
    return Verdict::Pass;
}

FirmwareMessage VersionGate::message(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Refuse:
        return {QStringLiteral("This Bridge is not support upgrading"), QStringLiteral("Error"),
                UiPort::Icon::Error, static_cast<UiPort::Buttons>(UiPort::Button::Ok)};
    case Verdict::Ask:
        return {QStringLiteral("Current Bridge version has highest version! Continue program?"),
                QStringLiteral("Warning"), UiPort::Icon::Warning,
                UiPort::Button::Ok | UiPort::Button::Cancel};
    case Verdict::Pass:
        break;
    }
    return {};
}
