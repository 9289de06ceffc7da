#include "cli/BurstCommand.h"

#include "base/EventPump.h"
#include "cli/CliSession.h"
#include "cli/CsvWriter.h"
#include "cli/ScriptArguments.h"
#include "script/BurstCapture.h"

#include <QFileInfo>

#include <cmath>
#include <optional>

namespace {

struct BurstOptions
{
    int line = 0; // 1-based
    QString outPath;
    qint64 records = 0; // 0: not given
    double seconds = 0; // 0: not given
    bool hex = false;
    QString csvPath;
};

// The longest --seconds: what a pump deadline in milliseconds can hold.
constexpr double MaxSeconds = 2'000'000.0;

// Takes the command's own options out of args; the rest goes to the script arguments.
std::optional<int> takeBurstOptions(QStringList& args, BurstOptions& burst)
{
    auto value = [&](qsizetype i, const QString& name, QString& out) {
        return cli::takeValue(args, i, name, out);
    };
    const auto usage = [](const QString& message) {
        return cli::usageError(BurstCommand, message);
    };
    for (qsizetype i = 0; i < args.size();) {
        QString text;
        bool ok = false;
        if (args[i] == u"--hex") {
            burst.hex = true;
            args.removeAt(i);
        } else if (value(i, QStringLiteral("--line"), text)) {
            burst.line = text.toInt(&ok);
            if (!ok || burst.line < 1)
                return usage(QStringLiteral("--line takes a line number from 1"));
        } else if (value(i, QStringLiteral("--out"), text)) {
            if (text.isEmpty())
                return usage(QStringLiteral("--out needs a file name"));
            burst.outPath = text;
        } else if (value(i, QStringLiteral("--records"), text)) {
            burst.records = text.toLongLong(&ok);
            if (!ok || burst.records < 1)
                return usage(QStringLiteral("--records takes a number from 1"));
        } else if (value(i, QStringLiteral("--seconds"), text)) {
            burst.seconds = text.toDouble(&ok);
            if (!ok || !std::isfinite(burst.seconds) || burst.seconds <= 0 ||
                burst.seconds > MaxSeconds)
                return usage(QStringLiteral("--seconds takes a time above 0"));
        } else if (value(i, QStringLiteral("--csv"), text)) {
            if (text.isEmpty())
                return usage(QStringLiteral("--csv needs a file name"));
            burst.csvPath = text;
        } else {
            ++i;
        }
    }
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h")))
        return std::nullopt; // the script arguments print the help
    if (burst.line == 0)
        return usage(QStringLiteral("--line is required"));
    if (burst.outPath.isEmpty())
        return usage(QStringLiteral("--out is required"));
    // The file-name label "none" switches burst capture off.
    if (QFileInfo(burst.outPath).fileName() == u"none")
        return usage(QStringLiteral("a capture file named 'none' turns burst capture off"));
    if ((burst.records > 0) == (burst.seconds > 0))
        return usage(QStringLiteral("give either --records or --seconds"));
    return std::nullopt;
}

// The decoded values of the read-back, one row per record: its X and the active variables.
bool writeCsv(CsvWriter& csv, MainModel& model)
{
    const ChartModel& chart = model.chart();
    qsizetype rows = 0;
    for (int i = 0; i < VariableDefinitions::Count; ++i)
        if (model.variables().DataVars[size_t(i)].Active)
            rows = qMax(rows, chart.series(i).count());
    for (qsizetype j = 0; j < rows; ++j) {
        CaptureState::Sample sample;
        for (int i = 0; i < VariableDefinitions::Count; ++i) {
            const ChartSeries& s = chart.series(i);
            if (!model.variables().DataVars[size_t(i)].Active || j >= s.count())
                continue;
            sample.x = s.x(j);
            sample.y[size_t(i)] = s.y(j);
        }
        if (!csv.add(sample, false))
            return false;
    }
    return csv.flush();
}

} // namespace

int runBurstCommand(const QStringList& arguments)
{
    QStringList args = arguments;
    DeviceOptions device;
    QString error;
    if (!device.parse(args, &error))
        return cli::usageError(BurstCommand, error);
    BurstOptions burst;
    if (const std::optional<int> code = takeBurstOptions(args, burst))
        return *code;
    ScriptArguments script;
    if (const std::optional<int> code = script.load(BurstCommand, args))
        return *code;
    if (burst.line > script.lines.size())
        return cli::usageError(BurstCommand,
                               QStringLiteral("the script has %1 lines").arg(script.lines.size()));

    CliSession session(device);
    MainModel& model = session.model();
    BurstCapture& capture = model.burst();
    model.applyVariables(script.variables);
    session.editor().setLines(script.lines);
    session.editor().setCaret({burst.line - 1, 0});
    capture.setFilePath(burst.outPath);
    if (!session.waitForBridge())
        return 1;
    CsvWriter csv;
    if (!burst.csvPath.isEmpty() && !csv.open(burst.csvPath, model.variables()))
        return cli::fileError(QStringLiteral("write"), burst.csvPath, csv.errorString());

    model.AcSendSpeedExecute();
    if (!model.execution().BurstRunning) {
        session.flushStatus();
        // A syntax error or a file error has said so already.
        if (capture.lastStart() == BurstCapture::StartOutcome::NoTransaction) {
            cli::err() << "taviro-cli: line " << burst.line << " holds no transaction\n";
            cli::err().flush();
        }
        return 1;
    }
    bool interrupted = false;
    session.onInterrupt = [&] { interrupted = true; };
    pumpUntil(
        [&] {
            return interrupted || capture.startFailed() ||
                   (burst.records > 0 && capture.recordsReceived() >= burst.records);
        },
        burst.seconds > 0 ? int(std::lround(burst.seconds * 1000)) : -1);
    model.AcStopExecute();
    session.flushStatus();

    if (burst.hex)
        for (qsizetype i = 0; i < capture.fileTab().lineCount(); ++i)
            cli::out() << capture.fileTab().line(i) << "\n";
    cli::out() << model.panel(2) << "\n";
    cli::out().flush();
    if (!burst.csvPath.isEmpty() && !writeCsv(csv, model))
        return cli::fileError(QStringLiteral("write"), burst.csvPath, csv.errorString());
    const bool failed =
        capture.startFailed() || capture.fileFailed() || capture.unwrittenReports() > 0;
    return failed ? 1 : 0;
}
