#pragma once

#include <QtGlobal>

// One token of a command line, as the line scanner yields it.
struct ScriptToken
{
    enum class Kind {
        EndOfLine,
        Comment,      // ";" and the rest of the line
        Address,      // letter S, W or R with value
        DataByte,     // value
        ReadSlot,     // X
        VariableByte, // variable, byteIndex
        Stop,         // P
        Delay,        // [DELAY=value]
        Continuation, // "+": the transaction goes on in the next line
        Error,        // the line is wrong at column
    };

    Kind kind = Kind::EndOfLine;
    qsizetype column = 0; // where the token (or the error) starts, 0-based
    char16_t letter = 0;  // S, W or R of an address
    qint32 value = 0;     // address byte, data byte or delay in ms
    int variable = -1;    // index 0..15 of a variable byte
    int byteIndex = 0;    // 0..3 of a variable byte

    // After these the line has nothing more to yield.
    bool endsLine() const
    {
        return kind == Kind::EndOfLine || kind == Kind::Comment || kind == Kind::Continuation ||
               kind == Kind::Error;
    }
};
