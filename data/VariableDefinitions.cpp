#include "data/VariableDefinitions.h"

#include "base/AsciiUpper.h"
#include "data/VarColors.h"

VariableDefinitions::VariableDefinitions()
{
    for (int i = 0; i < Count; ++i) {
        Names[i] = QStringLiteral("Var1");
        Colors[i] = DefaultVarColor[i];
    }
}

int VariableDefinitions::findActive(QStringView name) const
{
    for (int i = Count - 1; i >= 0; --i)
        if (DataVars[i].Active && asciiUpperEquals(Names[i], name))
            return i;
    return -1;
}

void VariableDefinitions::declare(int index, const QString& name, quint8 type)
{
    DataVars[index].Active = true;
    DataVars[index].Type = type;
    Names[index] = name;
}
