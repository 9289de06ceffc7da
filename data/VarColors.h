#pragma once

#include <QtGlobal>

#include <array>

// The colours a variable can be drawn in; a variable's Color is an index into VarColors.
struct VarColor
{
    const char* name;
    quint32 rgb; // 0xRRGGBB
};

inline constexpr std::array<VarColor, 18> VarColors = {{
    {"Black", 0x000000},
    {"Blue", 0x0000FF},
    {"BlueViolet", 0x8A2BE2},
    {"Chocolate", 0xD2691E},
    {"Gray", 0x808080},
    {"Green", 0x008000},
    {"Lawngreen", 0x7CFC00},
    {"Lime", 0x00FF00},
    {"Magenta", 0xFF00FF},
    {"Maroon", 0x800000},
    {"MidnighBlue", 0x191970},
    {"Olive", 0x808000},
    {"Orange", 0xFFA500},
    {"OrangeRed", 0xFF4500},
    {"Purple", 0x800080},
    {"Red", 0xFF0000},
    {"SaddleBrown", 0x8B4513},
    {"Seagreen", 0x2E8B57},
}};

// The colour of variables 1..16 when the settings file gives none.
inline constexpr std::array<quint8, 16> DefaultVarColor = {0,  1,  7,  15, 2,  6,  8,  11,
                                                           10, 12, 17, 9,  13, 14, 16, 4};

// RGB of a colour index; indices outside the table draw black.
constexpr quint32 varColorRgb(int index)
{
    return index >= 0 && index < int(VarColors.size()) ? VarColors[index].rgb : 0x000000;
}
