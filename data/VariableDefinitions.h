#pragma once

#include "data/TDataVariable.h"

#include <QString>
#include <QStringView>

#include <array>

// The sixteen variable definitions (index 0..15, shown to the user as variables 1..16) with
// their names and colours, and the three capture settings. The main-window model owns one;
// the command language, decoding, the chart and the settings file read it.
class VariableDefinitions
{
public:
    static constexpr int Count = 16;

    VariableDefinitions();

    std::array<TDataVariable, Count> DataVars;
    // The name is the title of the variable's chart series: the series reads it from here.
    std::array<QString, Count> Names;
    std::array<quint8, Count> Colors; // indices into VarColors

    qint32 Decimation = 0; // one packet in Decimation yields a sample; <= 1 keeps every one
    qint32 Scroll = 1;     // newest points each series keeps; 0 keeps all
    bool AxisX = false;    // false: X is the sample count; true: milliseconds since the start

    // Index of the active variable called name (both compared upper-cased, a..z only), the
    // highest index when several match, or -1. Allocates nothing: the syntax check calls it for
    // every variable byte of the script on every keystroke.
    int findActive(QStringView name) const;

    // Declares variable index as active with the given name and type (the CLI's --var).
    void declare(int index, const QString& name, quint8 type);
};
