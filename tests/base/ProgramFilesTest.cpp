#include "base/ProgramFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(ProgramFiles, FilesBesideTheExecutableFallBackWhenItsFolderCannotBeWritten)
{
    QTemporaryDir exe;
    QTemporaryDir fallback;
    const ProgramFiles::Location beside =
        ProgramFiles::locate(exe.path(), {QStringLiteral("taviro.cmd")}, fallback.path());
    EXPECT_EQ(beside.readPath, exe.filePath(QStringLiteral("taviro.cmd")));
    EXPECT_EQ(beside.writePath, beside.readPath);

    const ProgramFiles::Location elsewhere = ProgramFiles::locate(
        exe.filePath(QStringLiteral("gone")), {QStringLiteral("taviro.cmd")}, fallback.path());
    EXPECT_EQ(elsewhere.readPath, fallback.filePath(QStringLiteral("taviro.cmd")));
    EXPECT_EQ(elsewhere.writePath, elsewhere.readPath);
}

// An installed program (<prefix>/bin beside <prefix>/share/taviro) keeps its files in the
// fallback folder even when its bin folder could be written, as by root; a file the system put
// beside it is still read until the user has one of their own.
TEST(ProgramFiles, AnInstalledProgramNeverWritesBesideItsExecutable)
{
    QTemporaryDir prefix;
    QTemporaryDir fallback;
    const QString bin = prefix.filePath(QStringLiteral("bin"));
    ASSERT_TRUE(QDir().mkpath(bin));
    ASSERT_TRUE(QDir().mkpath(prefix.filePath(QStringLiteral("share/taviro/help"))));
    QFile systemDefaults(bin + QStringLiteral("/taviro.ini"));
    ASSERT_TRUE(systemDefaults.open(QIODevice::WriteOnly));
    systemDefaults.close();

    const ProgramFiles::Location ini =
        ProgramFiles::locate(bin, {QStringLiteral("taviro.ini")}, fallback.path());
    EXPECT_EQ(ini.readPath, bin + QStringLiteral("/taviro.ini"));
    EXPECT_EQ(ini.writePath, fallback.filePath(QStringLiteral("taviro.ini")));
    const ProgramFiles::Location cmd =
        ProgramFiles::locate(bin, {QStringLiteral("taviro.cmd")}, fallback.path());
    EXPECT_EQ(cmd.readPath, fallback.filePath(QStringLiteral("taviro.cmd")));
    EXPECT_EQ(cmd.writePath, cmd.readPath);
}
