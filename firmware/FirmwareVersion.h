#pragma once

#include <QString>
#include <QtGlobal>

#include <compare>
#include <optional>

// A bridge firmware version, major.minor, as both the bridge's version block and a firmware
// image carry it.
struct FirmwareVersion
{
    quint8 major = 0;
    quint8 minor = 0;

    friend constexpr auto operator<=>(const FirmwareVersion&, const FirmwareVersion&) = default;

    // The version a bridge reported, or no value when its block is not a valid one (the zero
    // byte and the 0xA5 marker are what make it valid).
    static constexpr std::optional<FirmwareVersion> fromVersionBlock(quint8 major, quint8 minor,
                                                                     quint8 zero, quint8 marker)
    {
        if (zero != 0x00 || marker != 0xA5)
            return std::nullopt;
        return FirmwareVersion{major, minor};
    }

    // "2.6": both numbers in decimal.
    QString text() const { return QStringLiteral("%1.%2").arg(major).arg(minor); }
};
