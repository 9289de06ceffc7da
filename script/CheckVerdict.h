#pragma once

#include <QString>

#include <vector>

// The result of checking a whole script, with what the editor needs to colour it.
struct CheckVerdict
{
    // A comment of one line: from its first ";" to the end of the line (shown in italics).
    struct CommentRange
    {
        int lineIndex = 0; // 0-based index into the script lines
        qsizetype column = 0;
        qsizetype length = 0;
    };

    bool ok = true;
    // Where the check stopped on an error: line 1-based, column 0-based, and the offset in the
    // script text with every line break counted as two characters. From there to the end of
    // the script the text is shown red.
    int line = 0;
    qsizetype column = 0;
    qsizetype position = 0;
    std::vector<CommentRange> comments;

    // "  Syntax : OK" or "  Syntax : ERROR  [ line : column ]", the status bar's verdict.
    QString panelText() const;
};
