#pragma once

#include "script/CheckVerdict.h"

#include <QStringList>

class VariableDefinitions;

// Checks every line of the script in order and stops at the first error. Only active
// variables count as names. Runs on every change of the editor text, so it keeps no state
// and copies no line.
CheckVerdict CheckScript(const QStringList& lines, const VariableDefinitions& variables);
