#include "base/ProgramFiles.h"

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
