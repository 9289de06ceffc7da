#pragma once

#include <QString>

#include <array>

// "00 " to "FF ": each byte as two upper-case hexadecimal digits and a blank, the texts of
// burst data lines. Built once, on first use.
const std::array<QString, 256>& HexText();
