#include "data/StartupSettings.h"
#include "data/ChartModel.h"
#include "data/IniFile.h"
#include "data/VariableDefinitions.h"
#include "support/RecordingUiPort.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

void writeFile(const QString& path, const QByteArray& content)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// /proc exists on Linux and refuses new files even to root.
const QString ReadOnlyFolder = QStringLiteral("/proc");

} // namespace

TEST(StartupSettings, FileBesideTheExecutableWithTheIniExtension)
{
    QTemporaryDir exeDir;
    QTemporaryDir config;
    const QString exe = exeDir.filePath(QStringLiteral("taviro"));
    const QString upper = exeDir.filePath(QStringLiteral("taviro.INI"));
    const QString lower = exeDir.filePath(QStringLiteral("taviro.ini"));

    // None yet: ".ini" is created beside the executable.
    ProgramFiles::Location none = StartupSettings::locate(exe, config.path());
    EXPECT_EQ(none.readPath, lower);
    EXPECT_EQ(none.writePath, lower);

    writeFile(lower, "[Data Settings]\r\n");
    EXPECT_EQ(StartupSettings::locate(exe, config.path()).writePath, lower);
    writeFile(upper, "[Data Settings]\r\n");
    const ProgramFiles::Location both = StartupSettings::locate(exe, config.path());
    EXPECT_EQ(both.readPath, upper);
    EXPECT_EQ(both.writePath, upper);

    // taviro-cli names the GUI's executable to share its file.
    const QString shared = StartupSettings::defaultLocation(QStringLiteral("taviro")).writePath;
    EXPECT_TRUE(shared == QCoreApplication::applicationDirPath() + QStringLiteral("/taviro.ini") ||
                shared == QCoreApplication::applicationDirPath() + QStringLiteral("/taviro.INI"))
        << shared.toStdString();

    // An extension of the executable is replaced.
    EXPECT_EQ(StartupSettings::locate(exeDir.filePath(QStringLiteral("taviro.bin")), config.path())
                  .readPath,
              upper);
}

TEST(StartupSettings, ReadOnlyExecutableFolderFallsBackToTheConfigFolder)
{
    QTemporaryDir config;
    const QString fallback = config.filePath(QStringLiteral("taviro"));
    const ProgramFiles::Location loc =
        StartupSettings::locate(ReadOnlyFolder + QStringLiteral("/taviro"), fallback);
    EXPECT_EQ(loc.writePath, fallback + QStringLiteral("/taviro.ini"));
    EXPECT_EQ(loc.readPath, loc.writePath);

    // The folder does not exist yet: the first write creates it.
    RecordingUiPort ui;
    StartupSettings settings(ui, loc, QLocale::c());
    VariableDefinitions defs;
    defs.Names[0] = QStringLiteral("TEMP");
    ASSERT_TRUE(settings.write(defs));
    EXPECT_TRUE(ui.boxes.isEmpty());
    EXPECT_TRUE(readFile(loc.writePath).contains("Var1.Name=TEMP\r\n"));

    writeFile(fallback + QStringLiteral("/taviro.INI"), "[Data Settings]\r\n");
    EXPECT_EQ(
        StartupSettings::locate(ReadOnlyFolder + QStringLiteral("/taviro"), fallback).readPath,
        fallback + QStringLiteral("/taviro.INI"));
}

TEST(StartupSettings, ReadPutsActiveSeriesOnTheChartAndWriteKeepsForeignContent)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("taviro.INI"));
    writeFile(path, "[Other]\r\nkeep=1\r\n[Data Settings]\r\nVar9.Active=1\r\nVar2.Active=1\r\n"
                    "Var2.Name=P\r\nVar2.Color=17\r\n");
    RecordingUiPort ui;
    StartupSettings settings(ui, StartupSettings::locate(dir.filePath(QStringLiteral("taviro")),
                                                         dir.filePath(QStringLiteral("cfg"))));
    VariableDefinitions defs;
    ChartModel chart(defs);
    settings.read(defs, chart);
    EXPECT_EQ(chart.seriesOnChart(), (QList<int>{1, 8}));
    EXPECT_EQ(chart.series(1).title(), QStringLiteral("P"));
    EXPECT_EQ(chart.series(1).rgb(), 0x2E8B57u);
    EXPECT_EQ(chart.series(0).title(), QStringLiteral("Var1"));

    defs.Scroll = 250;
    ASSERT_TRUE(settings.write(defs));
    const QByteArray written = readFile(path);
    EXPECT_TRUE(
        written.startsWith("[Other]\r\nkeep=1\r\n[Data Settings]\r\nVar9.Active=1\r\n"
                           "Var2.Active=1\r\nVar2.Name=P\r\nVar2.Color=17\r\nDecimation=0\r\n"
                           "Scroll=250\r\n"));
    // Neither a second file nor a temporary one is left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("taviro.INI")});
}

TEST(StartupSettings, FailedWriteTellsTheUserWhere)
{
    RecordingUiPort ui;
    const QString path = ReadOnlyFolder + QStringLiteral("/no-such-folder/taviro.ini");
    StartupSettings settings(ui, {path, path});
    VariableDefinitions defs;
    EXPECT_FALSE(settings.write(defs));
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, QStringLiteral("Unable to write to ") + path);
    EXPECT_EQ(ui.boxes[0].icon, UiPort::Icon::Error);
}
