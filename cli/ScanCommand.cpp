#include "cli/ScanCommand.h"

#include "cli/CliSession.h"
#include "cli/ScriptArguments.h"
#include "script/BusScan.h"

#include <optional>

int runScanCommand(const QStringList& arguments)
{
    QStringList args = arguments;
    DeviceOptions device;
    QString error;
    if (!device.parse(args, &error))
        return cli::usageError(ScanCommand, error);
    ScriptArguments options;
    options.takesScript = false;
    if (const std::optional<int> code = options.parse(ScanCommand, args))
        return *code;

    CliSession session(device);
    MainModel& model = session.model();
    model.applyVariables(options.variables);
    if (!session.waitForBridge())
        return 1;
    // Reset is what ends a scan in the window; here an interrupt ends it the same way,
    // without resetting the bridge.
    session.onInterrupt = [&] { model.execution().AbortRequested = true; };
    model.AcListExecute();
    session.flushStatus();
    return model.scan().aborted() ? 1 : 0;
}
