#include "script/CheckScript.h"

#include "script/LineScanner.h"

QString CheckVerdict::panelText() const
{
    if (ok)
        return QStringLiteral("  Syntax : OK");
    return QStringLiteral("  Syntax : ERROR  [ %1 : %2 ]").arg(line).arg(column);
}

CheckVerdict CheckScript(const QStringList& lines, const VariableDefinitions& variables)
{
    CheckVerdict verdict;
    // Comments are styled in every line, also in those after an error.
    for (int i = 0; i < lines.size(); ++i) {
        const qsizetype semicolon = lines[i].indexOf(u';');
        if (semicolon >= 0)
            verdict.comments.push_back({i, semicolon, lines[i].size() - semicolon});
    }

    qsizetype lineOffset = 0;
    bool continued = false;
    for (int i = 0; i < lines.size(); ++i) {
        LineScanner scanner(lines[i], continued, variables);
        ScriptToken token = scanner.NextToken();
        while (!token.endsLine())
            token = scanner.NextToken();
        if (token.kind == ScriptToken::Kind::Error) {
            verdict.ok = false;
            verdict.line = i + 1;
            verdict.column = token.column;
            verdict.position = lineOffset + token.column;
            return verdict;
        }
        continued = token.kind == ScriptToken::Kind::Continuation;
        lineOffset += lines[i].size() + 2; // CR LF
    }
    return verdict;
}
