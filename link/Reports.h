#pragma once

#include <QtGlobal>

#include <array>

inline constexpr int ReportPayloadSize = 64;

// The output buffer: report ID (always 0x00) at index 0, payload byte Pn at index n + 1.
using OutputReport = std::array<quint8, ReportPayloadSize + 1>;
// The payload of the last input report (the HID layer strips the report ID): Pn at index n.
using InputReport = std::array<quint8, ReportPayloadSize>;
