#include "cli/RunCommand.h"

#include "base/EventPump.h"
#include "cli/CliSession.h"
#include "cli/CsvWriter.h"
#include "cli/ScriptArguments.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <optional>

namespace {

struct RunOptions
{
    int firstLine = 0; // 1-based; 0: every line
    int lastLine = 0;
    bool repeat = false;
    int count = 0;
    int periodMs = 0;
    QString csvPath;
};

// Takes the run's own options out of args; the rest goes to the script arguments.
std::optional<int> takeRunOptions(QStringList& args, RunOptions& run)
{
    auto value = [&](qsizetype i, const QString& name, QString& out) {
        return cli::takeValue(args, i, name, out);
    };
    auto number = [](const QString& text, int low, int high, int& out) {
        bool ok = false;
        out = text.toInt(&ok);
        return ok && out >= low && out <= high;
    };
    for (qsizetype i = 0; i < args.size();) {
        QString text;
        if (args[i] == u"--repeat") {
            run.repeat = true;
            args.removeAt(i);
        } else if (value(i, QStringLiteral("--lines"), text)) {
            const QRegularExpressionMatch m =
                QRegularExpression(QStringLiteral("^(\\d+)(?:-(\\d+))?$")).match(text);
            if (!m.hasMatch())
                return cli::usageError(RunCommand, QStringLiteral("--lines takes A-B"));
            run.firstLine = m.captured(1).toInt();
            run.lastLine = m.captured(2).isEmpty() ? run.firstLine : m.captured(2).toInt();
            if (run.firstLine < 1 || run.lastLine < run.firstLine)
                return cli::usageError(RunCommand,
                                       QStringLiteral("--lines takes A-B, 1 <= A <= B"));
        } else if (value(i, QStringLiteral("--count"), text)) {
            if (!number(text, 0, ScriptRunner::MaxRepeatCount, run.count))
                return cli::usageError(
                    RunCommand,
                    QStringLiteral("--count takes 0 to %1").arg(ScriptRunner::MaxRepeatCount));
        } else if (value(i, QStringLiteral("--period"), text)) {
            if (!number(text, 0, ScriptRunner::MaxScanPeriodMs, run.periodMs))
                return cli::usageError(
                    RunCommand,
                    QStringLiteral("--period takes 0 to %1 ms").arg(ScriptRunner::MaxScanPeriodMs));
        } else if (value(i, QStringLiteral("--csv"), text)) {
            if (text.isEmpty())
                return cli::usageError(RunCommand, QStringLiteral("--csv needs a file name"));
            run.csvPath = text;
        } else {
            ++i;
        }
    }
    if (!run.repeat && (run.count || run.periodMs || !run.csvPath.isEmpty()))
        return cli::usageError(RunCommand,
                               QStringLiteral("--count, --period and --csv go with --repeat"));
    return std::nullopt;
}

} // namespace

int runRunCommand(const QStringList& arguments)
{
    QStringList args = arguments;
    DeviceOptions device;
    QString error;
    if (!device.parse(args, &error))
        return cli::usageError(RunCommand, error);
    RunOptions run;
    if (const std::optional<int> code = takeRunOptions(args, run))
        return *code;
    ScriptArguments script;
    if (const std::optional<int> code = script.load(RunCommand, args))
        return *code;
    if (run.lastLine > script.lines.size())
        return cli::usageError(RunCommand,
                               QStringLiteral("the script has %1 lines").arg(script.lines.size()));

    CliSession session(device);
    MainModel& model = session.model();
    model.applyVariables(script.variables);
    session.editor().setLines(script.lines);
    if (run.firstLine > 0) {
        session.editor().select({run.firstLine - 1, 0},
                                {run.lastLine - 1, int(script.lines[run.lastLine - 1].size())});
    } else {
        model.setSendAllStrings(true);
    }
    if (!session.waitForBridge())
        return 1;

    CsvWriter csv;
    if (!run.csvPath.isEmpty() && !csv.open(run.csvPath, model.variables()))
        return cli::fileError(QStringLiteral("write"), run.csvPath, csv.errorString());
    bool csvFailed = false;
    QObject::connect(&model.runner(), &ScriptRunner::sampleTaken, &session, [&] {
        if (!run.csvPath.isEmpty() && !csv.add(model.capture().lastSample()))
            csvFailed = true;
    });
    session.onInterrupt = [&] { model.AcStopExecute(); };

    if (run.repeat) {
        model.setRepeatCount(run.count);
        model.setScanPeriodMs(run.periodMs);
        model.AcSendRepeatExecute();
        // A transaction that is never answered ends the reply-driven loop for good: stop
        // instead of waiting for an interrupt.
        pumpUntil([&] {
            if (model.execution().RepeatRunning && model.flags().TransferFailed &&
                !model.flags().WriteOutstanding)
                model.AcStopExecute();
            return !model.execution().RepeatRunning;
        });
    } else {
        model.AcSendExecute();
    }
    session.flushStatus();
    if (csvFailed)
        return cli::fileError(QStringLiteral("write"), run.csvPath, csv.errorString());
    if (model.runner().syntaxError())
        return 1;
    const bool failed = model.runner().sawFailure() || (run.repeat && model.flags().TransferFailed);
    return failed ? 3 : 0;
}
