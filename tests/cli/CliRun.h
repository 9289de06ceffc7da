#pragma once

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

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

// A temporary folder for the files a test hands to taviro-cli.
class CliFixture : public ::testing::Test
{
protected:
    // Writes bytes to a new file in the folder (named s1.iic, s2.iic, … unless given a name).
    QString script(const QByteArray& bytes, const QString& name = QString())
    {
        const QString path =
            dir.filePath(name.isEmpty() ? QStringLiteral("s%1.iic").arg(++files) : name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }

    QTemporaryDir dir;
    int files = 0;
};
