#pragma once

#include <QtGlobal>

// One variable definition: whether it is in use and how its raw bytes become a plotted value.
// The name and colour are kept beside it (VariableDefinitions).
struct TDataVariable
{
    bool Active = false;
    quint8 Type = 0; // a TVarType code
    bool Sign = false;
    float Scale = 1.0f;
    float Offset = 0.0f;
};
