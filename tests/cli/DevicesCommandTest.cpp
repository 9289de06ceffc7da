#include "cli/DeviceOptions.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct CliRun
{
    int code;
    QString out;
    QString err;
};

CliRun cli(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(TAVIRO_CLI), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

TEST(DevicesCommand, ListsTheSimulatedBridges)
{
    const CliRun r = cli({"devices", "--simulate=2"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QLatin1String("PATH")));
    const QRegularExpression row(
        QStringLiteral("^\\S+\\s+1209:000A\\s+0000\\s+(SIM000[12])\\s+65/65\\s+bridge$"));
    EXPECT_EQ(row.match(lines[1]).captured(1), QLatin1String("SIM0001")) << lines[1].toStdString();
    EXPECT_EQ(row.match(lines[2]).captured(1), QLatin1String("SIM0002")) << lines[2].toStdString();

    const CliRun one = cli({"devices", "--simulate", "--bridge", "SIM0001"});
    EXPECT_EQ(one.code, 0);
    EXPECT_EQ(one.out.count(QLatin1String("SIM0001")), 1);
    EXPECT_EQ(cli({"devices", "--simulate", "--bridge", "SIM0009"}).code, 1);
}

TEST(DevicesCommand, BadUsageExitsWith2)
{
    for (const QStringList& args :
         {QStringList{"devices", "--simulate=x"}, QStringList{"devices", "--bridge"},
          QStringList{"devices", "extra"}}) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.code, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String("usage: taviro-cli devices")));
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
