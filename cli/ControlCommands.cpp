#include "cli/ControlCommands.h"

#include "base/EventPump.h"
#include "cli/CliSession.h"

#include <optional>

namespace {

// How long a command waits for the status reply that confirms it.
constexpr int ReplyDeadlineMs = 3000;

const char* powerText(BridgeControl::PowerChoice power)
{
    switch (power) {
    case BridgeControl::Power5V:
        return "+5V";
    case BridgeControl::Power3V3:
        return "+3.3V";
    case BridgeControl::PowerExternal:
        break;
    }
    return "External";
}

const char* speedText(BridgeControl::SpeedItem speed)
{
    switch (speed) {
    case BridgeControl::Speed400K:
        return "400K";
    case BridgeControl::Speed50K:
        return "50K";
    case BridgeControl::Speed100K:
        break;
    }
    return "100K";
}

// Parses the device options and expects exactly the given number of other arguments.
std::optional<int> parse(const CliCommand& command, QStringList& args, DeviceOptions& options,
                         int positional)
{
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        cli::out() << "usage: taviro-cli " << command.synopsis << "\n" << command.summary << "\n";
        cli::out().flush();
        return 0;
    }
    QString error;
    if (!options.parse(args, &error))
        return cli::usageError(command, error);
    for (const QString& arg : args)
        if (arg.startsWith(u'-'))
            return cli::usageError(command, QStringLiteral("unknown option '%1'").arg(arg));
    if (args.size() != positional)
        return cli::usageError(command, args.size() < positional
                                            ? QStringLiteral("missing argument")
                                            : QStringLiteral("unexpected '%1'").arg(args.last()));
    return std::nullopt;
}

// Waits for the next status reply the poll timer applies; false when none comes.
bool waitForStatusReply(MainModel& model)
{
    const int seen = model.control().statusRepliesApplied();
    return pumpUntil([&] { return model.control().statusRepliesApplied() > seen; },
                     ReplyDeadlineMs);
}

void printState(MainModel& model)
{
    const BridgeControl& c = model.control();
    cli::out() << "target power: " << c.powerPanelText() << "\n"
               << "power source: " << powerText(c.powerChoice()) << "\n"
               << "bus speed: " << speedText(c.checkedSpeed()) << "\n";
    cli::out().flush();
}

int noReply()
{
    cli::out().flush();
    cli::err() << "taviro-cli: the bridge does not answer\n";
    cli::err().flush();
    return 1;
}

// Sends a choice through the poll timer and confirms it with the status reply after it.
int sendChoice(CliSession& session, const std::function<void(BridgeControl&)>& choose,
               const std::function<bool(const BridgeControl&)>& confirmed)
{
    MainModel& model = session.model();
    if (!session.waitForBridge())
        return 1;
    choose(model.control());
    if (!pumpUntil([&] { return model.control().PendingCommand() == 0; }, ReplyDeadlineMs))
        return noReply();
    if (!waitForStatusReply(model))
        return noReply();
    printState(model);
    if (!confirmed(model.control())) {
        cli::err() << "taviro-cli: the bridge reports another setting\n";
        cli::err().flush();
        return 1;
    }
    return 0;
}

} // namespace

int runListCommand(const QStringList& arguments)
{
    QStringList args = arguments;
    DeviceOptions options;
    if (const std::optional<int> code = parse(ListCommand, args, options, 0))
        return *code;
    CliSession session(options);
    if (!session.waitForBridge(2000))
        return 1;
    MainModel& model = session.model();
    for (const QString& text : model.bridges().texts())
        cli::out() << text << "\n";
    cli::out() << "selected: " << model.panel(3) << "\n";
    if (!waitForStatusReply(model))
        return noReply();
    printState(model);
    return 0;
}

int runPowerCommand(const QStringList& arguments)
{
    QStringList args = arguments;
    DeviceOptions options;
    if (const std::optional<int> code = parse(PowerCommand, args, options, 1))
        return *code;
    const QString choice = args.first().toLower();
    BridgeControl::PowerChoice power;
    if (choice == u"ext")
        power = BridgeControl::PowerExternal;
    else if (choice == u"5v")
        power = BridgeControl::Power5V;
    else if (choice == u"3v3")
        power = BridgeControl::Power3V3;
    else
        return cli::usageError(PowerCommand, QStringLiteral("power is ext, 5v or 3v3"));
    CliSession session(options);
    return sendChoice(
        session,
        [&](BridgeControl& c) {
            if (power == BridgeControl::Power5V)
                c.RB5VClick();
            else if (power == BridgeControl::Power3V3)
                c.RB3VClick();
            else
                c.RBExtClick();
        },
        [&](const BridgeControl& c) { return c.powerChoice() == power; });
}

int runSpeedCommand(const QStringList& arguments)
{
    QStringList args = arguments;
    DeviceOptions options;
    if (const std::optional<int> code = parse(SpeedCommand, args, options, 1))
        return *code;
    const QString choice = args.first();
    BridgeControl::SpeedItem speed;
    if (choice == u"400")
        speed = BridgeControl::Speed400K;
    else if (choice == u"100")
        speed = BridgeControl::Speed100K;
    else if (choice == u"50")
        speed = BridgeControl::Speed50K;
    else
        return cli::usageError(SpeedCommand, QStringLiteral("speed is 400, 100 or 50"));
    CliSession session(options);
    return sendChoice(
        session, [&](BridgeControl& c) { c.IICSpeed100K1Click(speed); },
        [&](const BridgeControl& c) { return c.checkedSpeed() == speed; });
}

int runResetCommand(const QStringList& arguments)
{
    QStringList args = arguments;
    DeviceOptions options;
    if (const std::optional<int> code = parse(ResetCommand, args, options, 0))
        return *code;
    CliSession session(options);
    if (!session.waitForBridge())
        return 1;
    MainModel& model = session.model();
    model.AcResetExecute();
    pumpUntil([&] { return !model.flags().WriteOutstanding; }, ReplyDeadlineMs);
    session.flushStatus();
    if (model.flags().TransferFailed || !waitForStatusReply(model))
        return noReply();
    printState(model);
    return 0;
}
