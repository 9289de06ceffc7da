#include "firmware/FirmwareImage.h"
#include "firmware/FirmwareImageWriter.h"
#include "firmware/TUpgradeForm.h"
#include "link/THidDevice.h"
#include "support/ModelFixture.h"

#include <QDir>
#include <QTimer>

#include <functional>

namespace {

using Ending = TUpgradeForm::Ending;

const QString Done = QStringLiteral("Done.");
const QString TryAgain = QStringLiteral("Error! Try again!");

class UpgradeTest : public ModelFixture
{
protected:
    // One bridge at the given factory version, listed with it; the link idle.
    void startWithBridge(quint8 major = 2, quint8 minor = 5)
    {
        sim.addBridges(1);
        firmware().setVersion(major, minor);
        startModel(1);
    }

    // A fresh model on a fresh bridge, for the next case of a table.
    void restart(quint8 major = 2, quint8 minor = 5)
    {
        form.reset();
        model.reset();
        for (SimDevice* d : sim.devices())
            sim.remove(*d);
        startWithBridge(major, minor);
    }

    void startModel(int bridges)
    {
        createModel();
        if (bridges > 0) {
            ASSERT_TRUE(waitForBridges(bridges));
            ASSERT_TRUE(waitForIdleLink());
        }
        form = model->createUpgradeForm();
        QObject::connect(form.get(), &TUpgradeForm::closeRequested, [this] { ++closes; });
        status.clear();
    }

    QString writeImage(quint8 major, quint8 minor,
                       const std::function<void(FirmwareImageWriter&)>& fault = {})
    {
        FirmwareImageWriter writer({major, minor});
        writer.setSeed(7);
        if (fault)
            fault(writer);
        const QString path = dir.filePath(QStringLiteral("fw-%1.%2.hex").arg(major).arg(minor));
        QString error;
        EXPECT_TRUE(writer.writeFile(path, error)) << error.toStdString();
        return path;
    }

    void program(const QString& path)
    {
        form->chooseFirmwareFile(path);
        form->FormActivate();
        form->Button1Click();
    }

    // What an ending leaves behind in every case.
    void expectLinkRestored()
    {
        EXPECT_TRUE(form->programEnabled());
        EXPECT_FALSE(form->running());
        EXPECT_FALSE(model->flags().ControlReplyExpected);
        // The run's last exchange is over: no "Timeout" for it once the flag is down.
        EXPECT_FALSE(model->flags().WriteOutstanding);
        EXPECT_EQ(model->transport().watchdog().state(), TTimeout::Idle);
        EXPECT_TRUE(model->control().pollTimer().isActive());
        EXPECT_FALSE(status.lines().contains(QStringLiteral("Timeout")));
    }

    bool upgradeReportsReached(const SimFirmware& fw) const
    {
        return fw.log().contains(QStringLiteral("02 00 82")) ||
               fw.mode() == SimFirmware::Mode::BootLoader;
    }

    std::unique_ptr<TUpgradeForm> form;
    int closes = 0;
};

TEST_F(UpgradeTest, FullUpgradeProgramsEveryBlockAndTheBridgeReturnsWithTheNewVersion)
{
    startWithBridge();
    const QString path = writeImage(2, 6);
    QList<int> positions;
    QObject::connect(form.get(), &TUpgradeForm::progressChanged,
                     [&](int position) { positions << position; });
    QStringList texts;
    QObject::connect(form.get(), &TUpgradeForm::statusChanged,
                     [&] { texts << form->Label1() + form->Label2(); });
    bool programEnabledDuringRun = true;
    QObject::connect(form.get(), &TUpgradeForm::progressChanged,
                     [&] { programEnabledDuringRun &= form->programEnabled(); });
    firmware().clearLog();

    program(path);

    EXPECT_EQ(form->lastEnding(), Ending::Done);
    EXPECT_EQ(texts,
              (QStringList{QStringLiteral("Prepare to program..."), QStringLiteral("Writing..."),
                           QStringLiteral("Verifing..."), Done}));
    EXPECT_EQ(form->Label1(), Done);
    EXPECT_TRUE(form->Label2().isEmpty());
    EXPECT_EQ(form->FirmVersion(), QStringLiteral("Firmware v.2.6"));
    EXPECT_EQ(form->BootVersion(), QStringLiteral("Bridge BootLoader v2.0"));
    EXPECT_EQ(form->ProgressBar1(), 179);
    EXPECT_FALSE(programEnabledDuringRun);
    EXPECT_EQ(form->UpgradeState(), TUpgradeForm::StateAwaitingReply);
    // Back to 2 by activation and again by the run, then 2..179 writing and once more reading
    // back.
    QList<int> expected{2, 2};
    for (int pass = 0; pass < 2; ++pass)
        for (int n = 2; n <= 179; ++n)
            expected << n;
    EXPECT_EQ(positions, expected);
    expectLinkRestored();
    EXPECT_EQ(closes, 0);

    // The bridge restarts into the new image and is listed again with its version.
    ASSERT_TRUE(waitFor([&] {
        return model->bridges().texts() ==
                   QStringList{QStringLiteral("USB-I2C converter N=SIM0001, Ver2.6")} &&
               !model->bridges().entry(0)->VersionQueryPending;
    }));
    SimFirmware& fw = firmware();
    EXPECT_EQ(fw.mode(), SimFirmware::Mode::Application);
    EXPECT_EQ(fw.versionMajor(), 2);
    EXPECT_EQ(fw.versionMinor(), 6);
    const QStringList log = fw.log();
    ASSERT_FALSE(log.isEmpty());
    EXPECT_EQ(log.count(QStringLiteral("02 00 82")), 1);
    EXPECT_EQ(log.count(QStringLiteral("FF")), 1);
    EXPECT_EQ(log.count(QStringLiteral("AA")), 1);
    EXPECT_TRUE(log.contains(QStringLiteral("00 02")));
    EXPECT_TRUE(log.contains(QStringLiteral("00 B3")));
    EXPECT_EQ(log.count(QStringLiteral("99")), 1);
    EXPECT_EQ(fw.blocksWritten(), 178);
    FirmwareImageWriter seeded({2, 6});
    seeded.setSeed(7);
    const QByteArray bytes = seeded.imageBytes();
    for (int n = FirmwareImage::FirstBlock; n <= FirmwareImage::LastBlock; ++n)
        ASSERT_EQ(fw.flashBlock(n), bytes.mid(n * 64, 64)) << "block " << n;

    // The main report handling and the status poll are back.
    const int polls = model->control().statusRepliesApplied();
    EXPECT_TRUE(waitFor([&] { return model->control().statusRepliesApplied() > polls + 1; }));
    ASSERT_TRUE(waitForIdleLink());
    editor.setLines({QStringLiteral("R 48 X")});
    model->AcSendExecute();
    ASSERT_EQ(status.lines().size(), 1);
    EXPECT_TRUE(status.lines().first().startsWith(QStringLiteral("s 91+ 19+ ")));
}

// Every file the upgrade cannot use is refused with its box before anything is sent.
TEST_F(UpgradeTest, FaultyFilesAreRefusedBeforeAnythingIsSent)
{
    startWithBridge();
    const struct
    {
        const char* name;
        std::function<void(FirmwareImageWriter&)> fault;
        const char* text;
        const char* caption;
    } cases[] = {
        {"bad checksum in line 184", [](auto& w) { w.setBadChecksumLine(183); }, "Wrong HEX file!",
         "Checksum Error"},
        {"bad checksum in line 1, not written", [](auto& w) { w.setBadChecksumLine(0); },
         "Wrong HEX file!", "Checksum Error"},
        {"fewer than 184 lines", [](auto& w) { w.setDataLines(181); }, "Wrong HEX file!",
         "Checksum Error"},
        {"version line at another address", [](auto& w) { w.setVersionLineAddress(0x2C80); },
         "Wrong HEX file!", "Error"},
        {"no 00 A5 marker", [](auto& w) { w.setVersionMarker(0x00, 0x5A); }, "Wrong HEX file!",
         "Error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ui.boxes.clear();
        firmware().clearLog();
        program(writeImage(2, 6, c.fault));
        EXPECT_EQ(form->lastEnding(), Ending::Refused);
        ASSERT_EQ(ui.boxes.size(), 1);
        EXPECT_EQ(ui.boxes[0].text, QLatin1String(c.text));
        EXPECT_EQ(ui.boxes[0].caption, QLatin1String(c.caption));
        EXPECT_TRUE(form->Label1().isEmpty());
        EXPECT_TRUE(form->Label2().isEmpty());
        EXPECT_TRUE(form->FirmVersion().isEmpty());
        expectLinkRestored();
        EXPECT_FALSE(upgradeReportsReached(firmware()));
    }

    // Without a file ever chosen the run programs "taviro" in the current folder.
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const std::unique_ptr<TUpgradeForm> freshForm = model->createUpgradeForm();
    TUpgradeForm& fresh = *freshForm;
    EXPECT_EQ(fresh.programmedFileName(), QStringLiteral("taviro"));
    ui.boxes.clear();
    fresh.Button1Click();
    QDir::setCurrent(cwd);
    EXPECT_EQ(fresh.lastEnding(), Ending::Refused);
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text, QStringLiteral("File is corrupt"));
    EXPECT_EQ(ui.boxes[0].caption, QStringLiteral("Error"));
    EXPECT_FALSE(upgradeReportsReached(firmware()));
}

TEST_F(UpgradeTest, FileDialogRemembersTheChosenFile)
{
    startModel(0);
    ui.fileReplies = {dir.filePath(QStringLiteral("new.hex")), QString()};
    form->setEdit1(QStringLiteral("typed, not used"));
    form->Button4Click();
    form->Button4Click(); // cancelled: the name stays
    ASSERT_EQ(ui.fileRequests.size(), 2);
    EXPECT_EQ(ui.fileRequests[0].initialName, QStringLiteral("taviro"));
    EXPECT_EQ(ui.fileRequests[0].filters, QStringList{QStringLiteral("HEX file|*.hex")});
    EXPECT_EQ(ui.fileRequests[0].defaultSuffix, QStringLiteral("hex"));
    EXPECT_EQ(ui.fileRequests[1].initialName, dir.filePath(QStringLiteral("new.hex")));
    EXPECT_EQ(form->FirmwareFileName(), dir.filePath(QStringLiteral("new.hex")));
    EXPECT_EQ(form->Edit1(), form->FirmwareFileName());
    EXPECT_EQ(form->programmedFileName(), form->FirmwareFileName());
}

// A file of version 2.5 against bridges at various versions.
TEST_F(UpgradeTest, VersionGates)
{
    const struct
    {
        quint8 major, minor;
        QList<UiPort::Button> replies;
        const char* box; // nullptr: no box
        Ending ending;
    } cases[] = {
        {2, 5, {}, nullptr, Ending::Done},
        {2,
         6,
         {UiPort::Button::Cancel},
         "Current Bridge version has highest version! Continue program?",
         Ending::Refused},
        {1, 21, {}, "This Bridge is not support upgrading", Ending::Refused},
        {1, 22, {}, nullptr, Ending::Done},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.major) << "." << int(c.minor));
        restart(c.major, c.minor);
        ui.boxes.clear();
        ui.buttonReplies = c.replies;
        program(writeImage(2, 5));
        EXPECT_EQ(form->lastEnding(), c.ending);
        if (c.box) {
            ASSERT_EQ(ui.boxes.size(), 1);
            EXPECT_EQ(ui.boxes[0].text, QLatin1String(c.box));
            EXPECT_FALSE(upgradeReportsReached(firmware()));
        } else {
            EXPECT_TRUE(ui.boxes.isEmpty());
            EXPECT_TRUE(waitFor([&] {
                return firmware().versionMajor() == 2 && firmware().versionMinor() == 5 &&
                       firmware().mode() == SimFirmware::Mode::Application;
            }));
        }
        expectLinkRestored();
    }
}

TEST_F(UpgradeTest, WithoutABridgeItWaitsBeyondTheArrivalLimitUntilExit)
{
    startModel(0);
    bool stillWaiting = false;
    QTimer exit;
    exit.setSingleShot(true);
    exit.setTimerType(Qt::PreciseTimer);
    QObject::connect(&exit, &QTimer::timeout, [&] {
        stillWaiting = form->running() && form->Label1() == u"Connect Bridge to USB...";
        form->Button3Click();
        EXPECT_EQ(closes, 0); // not before the run has returned
    });
    exit.start(TUpgradeForm::ArrivalLimitMs + 300);
    program(writeImage(2, 6));
    EXPECT_TRUE(stillWaiting);
    EXPECT_EQ(form->lastEnding(), Ending::Failed);
    EXPECT_EQ(form->Label2(), TryAgain);
    EXPECT_TRUE(form->Label1().isEmpty());
    EXPECT_EQ(form->UpgradeState(), TUpgradeForm::StateFailed);
    EXPECT_EQ(closes, 1);
    expectLinkRestored();

    // Exit outside a run closes the dialog at once; activation clears the error text.
    form->Button3Click();
    EXPECT_EQ(closes, 2);
    form->FormActivate();
    EXPECT_TRUE(form->Label2().isEmpty());
    EXPECT_EQ(form->ProgressBar1(), 2);
}

TEST_F(UpgradeTest, BusyBootLoaderIsProbedAgainAndAVersionWaitEndsAfterItsLimit)
{
    startWithBridge();
    firmware().setProbeBusyReplies(2);
    firmware().setVersionRequestBusyReplies(1);
    firmware().clearLog();
    program(writeImage(2, 6));
    EXPECT_EQ(form->lastEnding(), Ending::Failed);
    EXPECT_EQ(form->Label2(), TryAgain);
    const QStringList log = firmware().log();
    EXPECT_EQ(log.count(QStringLiteral("FF")), 3);
    EXPECT_EQ(log.count(QStringLiteral("AA")), 1);
    EXPECT_EQ(firmware().blocksWritten(), 0);
    EXPECT_TRUE(form->BootVersion().isEmpty());
    expectLinkRestored();
}

// Each fault fails the run where it happens; the bar stays at that block.
TEST_F(UpgradeTest, FaultsFailTheRunAtTheirBlock)
{
    const struct
    {
        const char* name;
        std::function<void(SimFirmware&)> knob;
        bool exitAtBlock; // press Exit instead, when the bar reaches the block
        bool verifying;   // the fault hits the read-back phase
        int block;
    } cases[] = {
        {"wrong acknowledgement", [](SimFirmware& f) { f.setWrongBlockAckAt(40); }, false, false,
         40},
        {"read back differs", [](SimFirmware& f) { f.setCorruptVerifyAt(7); }, false, true, 7},
        {"Exit while writing", {}, true, false, 20},
        {"verify reply missing", {}, false, true, 10},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        if (c.knob)
            c.knob(firmware());
        closes = 0;
        QObject::connect(form.get(), &TUpgradeForm::progressChanged, [&](int position) {
            const bool verifying = form->Label1() == u"Verifing...";
            if (position != c.block || verifying != c.verifying)
                return;
            if (c.exitAtBlock)
                form->Button3Click();
            else if (!c.knob)
                firmware().setVerifyReplies(false);
        });
        program(writeImage(2, 6));
        EXPECT_EQ(form->lastEnding(), Ending::Failed);
        EXPECT_EQ(form->Label2(), TryAgain);
        EXPECT_EQ(form->ProgressBar1(), c.block);
        EXPECT_EQ(form->UpgradeState(), TUpgradeForm::StateFailed);
        EXPECT_EQ(closes, c.exitAtBlock ? 1 : 0);
        EXPECT_FALSE(firmware().log().contains(QStringLiteral("99")));
        expectLinkRestored();
    }
}

// Faults of the link in the middle of the blocks: each fails the run at the block it hits
// (a second acknowledgement of a block fails the next one), leaves nothing programmed and
// the link as it was.
TEST_F(UpgradeTest, LinkFaultsWhileWritingFailTheRunAtTheirBlock)
{
    const struct
    {
        const char* name;
        std::function<void(SimDevice&)> fault;
        int block;
    } cases[] = {
        {"acknowledgement dropped", [](SimDevice& d) { d.dropNextReplies(1); }, 30},
        {"acknowledgement 1300 ms late", [](SimDevice& d) { d.delayNextReplies(1, 1300); }, 30},
        {"acknowledgement sent twice", [](SimDevice& d) { d.duplicateNextReplies(1); }, 31},
        {"acknowledgement corrupted", [](SimDevice& d) { d.corruptNextReplies(1); }, 30},
        {"reads fail", [](SimDevice& d) { d.failReads(5); }, 30},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        SimDevice& bridge = *sim.devices().first();
        QObject::connect(form.get(), &TUpgradeForm::progressChanged, [&](int position) {
            if (position == 30 && form->Label1() == u"Writing...")
                c.fault(bridge);
        });
        program(writeImage(2, 6));
        EXPECT_EQ(form->lastEnding(), Ending::Failed);
        EXPECT_EQ(form->Label2(), TryAgain);
        EXPECT_EQ(form->ProgressBar1(), c.block);
        EXPECT_FALSE(firmware().log().contains(QStringLiteral("99")));
        EXPECT_EQ(firmware().mode(), SimFirmware::Mode::BootLoader);
        expectLinkRestored();
    }
}

TEST_F(UpgradeTest, AnotherBridgeArrivingEndsTheRunWithoutProgramming)
{
    startWithBridge();
    sim.devices().first()->setRebootDelayMs(1500);
    QObject::connect(form.get(), &TUpgradeForm::statusChanged, [&] {
        if (form->Label1() == u"Prepare to program...")
            sim.addBridge(QStringLiteral("SIM0009"));
    });
    program(writeImage(2, 6));
    EXPECT_EQ(form->lastEnding(), Ending::OtherBridge);
    EXPECT_TRUE(form->Label2().contains(QStringLiteral("SIM0009")));
    EXPECT_TRUE(form->Label2().contains(QStringLiteral("nothing was programmed")));
    EXPECT_EQ(firmware().blocksWritten(), 0);
    EXPECT_EQ(sim.bridge(QStringLiteral("SIM0009"))->firmware()->mode(),
              SimFirmware::Mode::Application);
    EXPECT_FALSE(
        sim.bridge(QStringLiteral("SIM0009"))->firmware()->log().contains(QStringLiteral("FF")));
    expectLinkRestored();
}

// Unplugging the bridge while blocks are written fails the run; the bridge stays in its boot
// loader, and a second run, with the boot loader attached again, completes the upgrade.
TEST_F(UpgradeTest, UnpluggedWhileWritingThenASecondRunSucceeds)
{
    startWithBridge();
    SimDevice& bridge = *sim.devices().first();
    const QString path = writeImage(2, 6);
    auto unplugAt = QObject::connect(form.get(), &TUpgradeForm::progressChanged, [&](int position) {
        if (position == 60 && form->Label1() == u"Writing...")
            bridge.unplug();
    });
    program(path);
    QObject::disconnect(unplugAt);
    EXPECT_EQ(form->lastEnding(), Ending::Failed);
    EXPECT_EQ(form->Label2(), TryAgain);
    EXPECT_EQ(form->ProgressBar1(), 60);
    EXPECT_EQ(firmware().mode(), SimFirmware::Mode::BootLoader);
    expectLinkRestored();
    EXPECT_TRUE(waitFor([&] { return model->bridges().count() == 0; }));

    // No bridge is selected now: the run waits for one and takes the boot loader that comes.
    QObject::connect(form.get(), &TUpgradeForm::statusChanged, [&] {
        if (form->Label1() == u"Connect Bridge to USB...")
            bridge.plug();
    });
    program(path);
    EXPECT_EQ(form->lastEnding(), Ending::Done);
    EXPECT_EQ(form->Label1(), Done);
    EXPECT_EQ(firmware().blocksWritten(), 178);
    EXPECT_TRUE(waitFor([&] {
        return model->bridges().texts() ==
               QStringList{QStringLiteral("USB-I2C converter N=SIM0001, Ver2.6")};
    }));
    expectLinkRestored();
}

} // namespace
