#include "cli/CheckCommand.h"

#include "cli/ScriptArguments.h"
#include "script/CheckScript.h"

int runCheckCommand(const QStringList& args)
{
    ScriptArguments script;
    if (const std::optional<int> exitCode = script.load(CheckCommand, args))
        return *exitCode;
    const CheckVerdict verdict = CheckScript(script.lines, script.variables);
    cli::out() << verdict.panelText() << "\n";
    cli::out().flush();
    return verdict.ok ? 0 : 1;
}
