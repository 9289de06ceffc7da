#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <string>

// One run of taviro-cli (TAVIRO_CLI_PATH) with its exit code and both output streams.
struct CliRun
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline CliRun runCli(const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(QStringLiteral(TAVIRO_CLI_PATH), args);
    EXPECT_TRUE(p.waitForStarted(10000));
    p.write(input);
    p.closeWriteChannel();
    EXPECT_TRUE(p.waitForFinished(30000));
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
            p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}
