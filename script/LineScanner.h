#pragma once

#include "script/ScriptToken.h"

#include <QStringView>

class VariableDefinitions;

// Reads one command line token by token. The syntax check and the compiler both walk a line
// with it, so they cannot disagree about what a line means. Letters are compared upper-cased
// on the fly; the line itself is not copied.
class LineScanner
{
public:
    // continuationLine: the line before ended in "+", so this one may begin with any token
    // and needs no separator before it.
    LineScanner(QStringView line, bool continuationLine, const VariableDefinitions& variables);

    // The next token. Once a token that ends the line (end, comment, continuation, error) has
    // been returned, every further call returns it again.
    ScriptToken NextToken();

private:
    enum class State { LineStart, ContinuationStart, AfterToken, AfterStop, Done };

    char16_t at(qsizetype i) const;
    bool atEnd() const { return m_pos >= m_line.size(); }
    void skipSeparators();
    ScriptToken finish(ScriptToken token);
    ScriptToken error(qsizetype column);
    ScriptToken lineStartToken();
    ScriptToken anyToken();
    ScriptToken address();
    ScriptToken dataByte();
    int hexByte();
    ScriptToken variableByte();
    ScriptToken bracketCommand();

    QStringView m_line;
    const VariableDefinitions& m_variables;
    qsizetype m_pos = 0;
    State m_state;
    ScriptToken m_last; // repeated once the line is done
};

// The value of a bracket command: optional leading blanks, an optional sign, then decimal
// digits (fitting 32 bits) or, after "$", "X" or "0X", up to eight hex digits, which wrap
// above 7FFFFFFF. Letters count in either case. Returns false when it is no such number.
bool parseBracketInteger(QStringView text, qint32& value);
