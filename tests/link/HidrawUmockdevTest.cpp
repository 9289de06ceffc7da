#include "HidrawTestbed.h"

#include "app/MainModel.h"
#include "base/MemoryCommandEditor.h"
#include "base/MemoryStatusWindow.h"
#include "link/HidrawPlatform.h"
#include "link/THidDevice.h"
#include "script/BurstCapture.h"
#include "support/RecordingUiPort.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Every folder under root readable and every socket connectable, by any user.
void openToAll(const QString& root)
{
    ::chmod(root.toLocal8Bit().constData(), 0755);
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        struct stat st
        {
        };
        if (::lstat(path.toLocal8Bit().constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode))
            ::chmod(path.toLocal8Bit().constData(), 0755);
        else if (S_ISSOCK(st.st_mode))
            ::chmod(path.toLocal8Bit().constData(), 0777);
    }
}

// The real hidraw back end and the whole model on bridges that umockdev fakes. CTest runs the
// program through umockdev-wrapper; without its preload library the test is skipped (77).
class HidrawUmockdev : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!testbed.available()) {
            std::fprintf(stderr, "not running under umockdev-wrapper: skipped\n");
            std::exit(77);
        }
    }

    void TearDown() override { model.reset(); }

    MainModel& createModel()
    {
        MainModel::Paths paths;
        paths.executableFolder = dir.path();
        paths.settings = {dir.filePath(QStringLiteral("taviro.ini")),
                          dir.filePath(QStringLiteral("taviro.ini"))};
        paths.autosave = {dir.filePath(QStringLiteral("taviro.cmd")),
                          dir.filePath(QStringLiteral("taviro.cmd"))};
        model = std::make_unique<MainModel>(platform, ui, editor, status, paths);
        model->FormCreate({});
        model->FormActivate();
        model->start();
        return *model;
    }

    // The bridges are listed with their versions and the first one is selected and chosen.
    bool waitForBridges(int count)
    {
        return waitFor(
            [&] {
                BridgeList& b = model->bridges();
                if (b.count() != count || !b.SelectedBridge() ||
                    b.SelectedBridge() != b.ChosenBridge())
                    return false;
                for (int i = 0; i < count; ++i)
                    if (b.entry(i)->VersionQueryPending)
                        return false;
                return !model->flags().WriteOutstanding;
            },
            10000);
    }

    HidrawTestbed testbed; // outlives the platform and the model
    HidrawPlatform platform;
    QTemporaryDir dir;
    RecordingUiPort ui;
    MemoryCommandEditor editor;
    MemoryStatusWindow status;
    std::unique_ptr<MainModel> model;
};

TEST_F(HidrawUmockdev, ABridgeIsFoundAndKnownByWhatTheKernelShows)
{
    testbed.addBridge(QStringLiteral("UMOCK1"));
    createModel();
    ASSERT_TRUE(waitForBridges(1));
    EXPECT_EQ(model->bridges().texts(),
              QStringList{QStringLiteral("USB-I2C converter N=UMOCK1, Ver2.5")});
    EXPECT_EQ(model->panel(3), QStringLiteral("connected to N=1"));
    THidDevice* device = model->bridges().SelectedBridge()->Device;
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->PnPInfo().DevicePath, testbed.nodePath(0));
    EXPECT_EQ(device->Attributes().VendorID, TAVIRO_BRIDGE_VID);  // HID_ID
    EXPECT_EQ(device->Attributes().ProductID, TAVIRO_BRIDGE_PID); // HID_ID
    EXPECT_EQ(device->Attributes().VersionNumber, 0x0000);        // bcdDevice
    EXPECT_EQ(device->SerialNumber(), QStringLiteral("UMOCK1"));  // HID_UNIQ
    EXPECT_EQ(device->Caps().InputReportByteLength, 65);          // HIDIOCGRDESC
    EXPECT_EQ(device->Caps().OutputReportByteLength, 65);
    EXPECT_TRUE(device->ReadWriteAllowed());
    EXPECT_GE(testbed.languageRequests(0), 1) << "string descriptor 0 from the USB node";
    // The poll goes on through the node.
    const int statusReplies = model->control().statusRepliesApplied();
    EXPECT_TRUE(waitFor([&] { return model->control().statusRepliesApplied() > statusReplies; }));
}

TEST_F(HidrawUmockdev, ASendAndAShortBurstGoThroughTheNode)
{
    testbed.addBridge(QStringLiteral("UMOCK1"));
    createModel();
    ASSERT_TRUE(waitForBridges(1));
    // Bytes 0A and 0D travel as they are (no line discipline in the way).
    editor.setLines({QStringLiteral("S A0 10 0A 0D 11"), QStringLiteral("W 50 10 R 50 X X X")});
    model->setSendAllStrings(true);
    status.clear();
    model->AcSendExecute();
    EXPECT_EQ(status.lines(), (QStringList{QStringLiteral("s A0+ 10+ 0A+ 0D+ 11+ p "),
                                           QStringLiteral("s A0+ 10+ s A1+ 0A+ 0D+ 11+ p ")}));
    EXPECT_EQ(model->panel(2), QStringLiteral("ok"));

    const QString capture = dir.filePath(QStringLiteral("capture.dat"));
    model->burst().setFilePath(capture);
    model->setSendAllStrings(false);
    editor.setLines({QStringLiteral("R 49 X X X")});
    editor.setCaret({0, 0});
    model->AcSendSpeedExecute();
    ASSERT_TRUE(model->execution().BurstRunning);
    ASSERT_TRUE(waitFor([&] { return model->burst().recordsReceived() >= 150; }));
    model->AcStopExecute();
    EXPECT_FALSE(model->execution().BurstRunning);
    EXPECT_GE(model->burst().records(), 150);
    EXPECT_EQ(QFileInfo(capture).size(), model->burst().records() * 4);
    ASSERT_GT(model->burst().fileTab().lineCount(), 0);
    EXPECT_TRUE(model->burst().fileTab().line(0).startsWith(QStringLiteral("01 ")));
}

TEST_F(HidrawUmockdev, PlugEventsAreFollowedAndAnUnplugDuringASendFailsItsTransaction)
{
    testbed.addBridge(QStringLiteral("UMOCK1"));
    createModel();
    ASSERT_TRUE(waitForBridges(1));
    // An "add" uevent: the second bridge is listed with its version.
    testbed.addBridge(QStringLiteral("UMOCK2"));
    ASSERT_TRUE(waitForBridges(2));
    EXPECT_EQ(model->bridges().texts(),
              (QStringList{QStringLiteral("USB-I2C converter N=UMOCK1, Ver2.5"),
                           QStringLiteral("USB-I2C converter N=UMOCK2, Ver2.5")}));

    // The selected bridge hangs on the Send's report and is pulled out.
    testbed.setSilent(0, true);
    const int taken = testbed.reportsTaken(0);
    QTimer unplug;
    QObject::connect(&unplug, &QTimer::timeout, [&] {
        if (testbed.reportsTaken(0) > taken) {
            unplug.stop();
            testbed.removeBridge(0);
        }
    });
    unplug.start(5);
    editor.setLines({QStringLiteral("R 48 X X")});
    status.clear();
    QElapsedTimer sent;
    sent.start();
    model->AcSendExecute();
    EXPECT_LT(sent.elapsed(), 1000) << "the removal, not the watchdog, ends the exchange";
    EXPECT_EQ(status.lines(), QStringList{QStringLiteral("s 91- FF- FF- p ")});
    EXPECT_EQ(model->panel(2), QStringLiteral("ok"));

    // The list follows: the other bridge is selected, chosen and polled.
    BridgeList& list = model->bridges();
    ASSERT_TRUE(
        waitFor([&] { return list.count() == 1 && list.SelectedBridge() == list.entry(0); }));
    EXPECT_EQ(list.texts(), QStringList{QStringLiteral("USB-I2C converter N=UMOCK2, Ver2.5")});
    EXPECT_EQ(list.ChosenBridge(), list.entry(0));
    EXPECT_EQ(model->panel(3), QStringLiteral("connected to N=1"));
    const int polls = testbed.reportsTaken(1);
    EXPECT_TRUE(waitFor([&] { return testbed.reportsTaken(1) > polls; }));
}

TEST_F(HidrawUmockdev, ANodeWithoutReadWriteAccessGetsTheDevicesCommandsAdvice)
{
    testbed.addBridge(QStringLiteral("UMOCK1"));
    testbed.closeNode(0);
    QProcess cli;
    QString program = QStringLiteral(TAVIRO_CLI_PATH);
    QTemporaryDir copyDir;
    if (::geteuid() == 0) {
        // Root opens anything: taviro-cli runs as nobody, while the testbed (sysfs, the ioctl
        // sockets) stays open to all. The build tree may lie where nobody cannot go (under
        // /root), so nobody runs a copy of the program from a folder open to all.
        openToAll(testbed.rootDir());
        ASSERT_TRUE(copyDir.isValid());
        ::chmod(copyDir.path().toLocal8Bit().constData(), 0755);
        const QString copy = copyDir.filePath(QStringLiteral("taviro-cli"));
        ASSERT_TRUE(QFile::copy(program, copy));
        ::chmod(copy.toLocal8Bit().constData(), 0755);
        program = copy;
        cli.setChildProcessModifier([] {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                std::_Exit(125);
        });
    }
    cli.start(program, {QStringLiteral("devices")});
    ASSERT_TRUE(cli.waitForFinished(30000)) << cli.errorString().toStdString();
    const QString out = QString::fromUtf8(cli.readAllStandardOutput());
    ASSERT_EQ(cli.exitCode(), 0) << cli.readAllStandardError().toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("UMOCK1"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("permission denied: give the logged-in user access")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("sudo install -m 644"))) << out.toStdString();
}

} // namespace
