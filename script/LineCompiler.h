#pragma once

#include "link/TIIC_Packet.h"

#include <QStringView>

class UiPort;
class VariableDefinitions;

// Turns one command line into the transactions the bridge is to perform, using the same line
// scanner as the syntax check. Send, Repeat and burst capture compile each line just before
// they execute it.
class LineCompiler
{
public:
    // What a line hands on to the next: whether its last transaction ends in "+", and in which
    // direction that transaction runs.
    struct Continuation
    {
        bool Continued = false;
        bool Read = false;
    };

    struct Result
    {
        bool ok = false;
        int count = 0; // transactions in entries 1..count of the packet list
        // On failure: the column of the offending character, or of the token that would have
        // needed one transaction too many.
        qsizetype errorColumn = -1;
        // The failure is a line that needs more transactions than the list holds (the syntax
        // check accepts such a line).
        bool overflow = false;
    };

    // readingState is the owner's flag: every address sets it to the direction it opens, and
    // the owner clears it before each line. While it is clear, a variable byte takes no slot.
    LineCompiler(const VariableDefinitions& variables, UiPort& ui, bool& readingState);

    // Fills entries 1..N of packets (entry 0 gets the comment of a line without transaction).
    // On a syntax error, or a line needing more transactions than the list holds, shows the
    // "Syntax ERROR" box and returns failure with N = 0. burst: variable bytes take slots
    // whatever the reading state.
    Result CompileLine(QStringView line, TPacketList& packets, Continuation previous, bool burst);
    // What the owner does before each line of a run.
    void clearReadingState() { m_readingState = false; }

    // The pair to pass with the next line after this line compiled to count transactions.
    static Continuation continuationAfter(const TPacketList& packets, int count);

private:
    Result fail(qsizetype column, bool overflow = false);

    const VariableDefinitions& m_variables;
    UiPort& m_ui;
    bool& m_readingState;
};
