#include "cli/DevicesCommand.h"
#include "CliRun.h"
#include "app/DeviceOptions.h"
#include "sim/SimPlatform.h"

#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

TEST(DevicesCommand, ListsTheSimulatedBridges)
{
    const CliRun r = runCli({"devices", "--simulate=2"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    const QStringList lines = QString::fromStdString(r.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out;
    EXPECT_TRUE(lines[0].startsWith(QLatin1String("PATH")));
    const QRegularExpression row(
        QStringLiteral("^\\S+\\s+1209:000A\\s+0000\\s+(SIM000[12])\\s+65/65\\s+bridge$"));
    EXPECT_EQ(row.match(lines[1]).captured(1), QLatin1String("SIM0001")) << lines[1].toStdString();
    EXPECT_EQ(row.match(lines[2]).captured(1), QLatin1String("SIM0002")) << lines[2].toStdString();

    const CliRun one = runCli({"devices", "--simulate", "--bridge", "SIM0001"});
    EXPECT_EQ(one.exitCode, 0);
    EXPECT_EQ(QString::fromStdString(one.out).count(QLatin1String("SIM0001")), 1);
    EXPECT_EQ(runCli({"devices", "--simulate", "--bridge", "SIM0009"}).exitCode, 1);
}

TEST(DevicesCommand, BadUsageExitsWith2)
{
    for (const QStringList& args :
         {QStringList{"devices", "--simulate=x"}, QStringList{"devices", "--bridge"},
          QStringList{"devices", "extra"}}) {
        const CliRun r = runCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(
            QString::fromStdString(r.err).contains(QLatin1String("usage: taviro-cli devices")));
    }
}

TEST(DevicesCommand, SaysWhyADeviceCannotBeUsedAndHowToFixPermissions)
{
    SimPlatform sim;
    sim.addBridge(QStringLiteral("SIM0001")).setDataAccessError(EACCES);
    sim.addDevice(0x046D, 0xC31C, QStringLiteral("KB1")).setDataAccessError(EACCES);
    sim.addBridge(QStringLiteral("SIM0003")).setOpenable(false);
    QString out;
    QString err;
    QTextStream outStream(&out);
    QTextStream errStream(&err);
    EXPECT_EQ(listDevices(sim, QString(), outStream, errStream), 0);
    outStream.flush();
    const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4) << out.toStdString();
    EXPECT_TRUE(lines[1].contains(QLatin1String("SIM0001"))) << "the serial needs no data access";
    EXPECT_EQ(lines[2].trimmed(),
              QLatin1String("cannot be opened for reading and writing: Permission denied"));
    EXPECT_EQ(out.count(QLatin1String("udevadm control --reload-rules")), 1)
        << "the hint is for the bridge only";
    EXPECT_TRUE(out.contains(bridgeUdevRule().section(u'\n', 0, 0)));
    EXPECT_TRUE(lines.last().endsWith(QLatin1String("cannot be opened: No such device or address")))
        << lines.last().toStdString();
}

TEST(UdevRule, GrantsTheBridgeAloneOnHidrawAndUsb)
{
    QFile file(QStringLiteral(TAVIRO_UDEV_RULES));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QStringList rules;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts))
        if (!line.startsWith(u'#'))
            rules << line;
    EXPECT_EQ(rules.join(u'\n') + u'\n', bridgeUdevRule()) << "the CLI shows the rule it ships";
    ASSERT_EQ(rules.size(), 2);
    EXPECT_TRUE(rules[0].startsWith(QLatin1String("SUBSYSTEM==\"hidraw\"")));
    EXPECT_TRUE(rules[1].startsWith(QLatin1String("SUBSYSTEM==\"usb\"")));
    for (const QString& rule : rules) {
        EXPECT_TRUE(rule.contains(QLatin1String("==\"1209\"")) &&
                    rule.contains(QLatin1String("==\"000a\"")))
            << rule.toStdString();
        EXPECT_TRUE(rule.endsWith(QLatin1String("TAG+=\"uaccess\"")));
        EXPECT_FALSE(rule.contains(QLatin1String("MODE")));
    }
}

TEST(DeviceOptions, TakesItsOptionsOutAndLeavesTheRest)
{
    struct Case
    {
        QStringList args;
        bool ok;
        bool simulate;
        int bridges;
        QString serial;
        QStringList rest;
    };
    const Case cases[] = {
        {{"a", "--simulate", "b"}, true, true, 1, {}, {"a", "b"}},
        {{"--simulate=3", "--bridge", "SIM0002", "x"}, true, true, 3, "SIM0002", {"x"}},
        {{"--bridge=ABC"}, true, false, 1, "ABC", {}},
        {{"--simulate=0"}, true, true, 0, {}, {}},
        {{"--simulate=100"}, false, true, 0, {}, {}},
        {{"--simulate=-1"}, false, true, 0, {}, {}},
        {{"--bridge="}, false, false, 1, {}, {}},
    };
    for (const Case& c : cases) {
        QStringList args = c.args;
        DeviceOptions options;
        QString error;
        const bool ok = options.parse(args, &error);
        const std::string what = c.args.join(u' ').toStdString();
        ASSERT_EQ(ok, c.ok) << what;
        if (!ok) {
            EXPECT_FALSE(error.isEmpty()) << what;
            continue;
        }
        EXPECT_EQ(options.simulate(), c.simulate) << what;
        EXPECT_EQ(options.simulatedBridges(), c.bridges) << what;
        EXPECT_EQ(options.bridgeSerial(), c.serial) << what;
        EXPECT_EQ(args, c.rest) << what;
    }
}

} // namespace
