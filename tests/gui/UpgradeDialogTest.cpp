#include "gui/UpgradeDialog.h"

#include "firmware/FirmwareImageWriter.h"
#include "firmware/TUpgradeForm.h"
#include "support/ModelFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <functional>

namespace {

// The real dialog over the upgrade model of a main-window model on simulated bridges.
class UpgradeDialogTest : public ModelFixture
{
protected:
    void startWithBridge(quint8 major = 2, quint8 minor = 5)
    {
        sim.addBridges(1);
        firmware().setVersion(major, minor);
        createModel();
        ASSERT_TRUE(waitForBridges());
        ASSERT_TRUE(waitForIdleLink());
        form = model->createUpgradeForm();
        dialog = std::make_unique<UpgradeDialog>(*form);
    }

    // A fresh model, dialog and bridge for the next case of a table.
    void restart()
    {
        dialog.reset();
        form.reset();
        model.reset();
        for (SimDevice* d : sim.devices())
            sim.remove(*d);
        startWithBridge();
    }

    QString writeImage(quint8 major, quint8 minor)
    {
        FirmwareImageWriter writer({major, minor});
        const QString path = dir.filePath(QStringLiteral("fw-%1.%2.hex").arg(major).arg(minor));
        QString error;
        EXPECT_TRUE(writer.writeFile(path, error)) << error.toStdString();
        return path;
    }

    template <typename T> T* child(const char* name) const
    {
        T* widget = dialog->findChild<T*>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    // Opens the dialog as the window does and chooses the file with "File:".
    void openWithFile(const QString& path)
    {
        dialog->open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        ui.fileReplies = {path};
        QTest::mouseClick(child<QPushButton>("Button4"), Qt::LeftButton);
        ASSERT_EQ(child<QLineEdit>("Edit1")->text(), path);
    }

    void clickProgram() { QTest::mouseClick(child<QPushButton>("Button1"), Qt::LeftButton); }

    QString statusText() const
    {
        return child<QLabel>("Label1")->text() + child<QLabel>("Label2")->text();
    }

    std::unique_ptr<TUpgradeForm> form;
    std::unique_ptr<UpgradeDialog> dialog;
};

TEST_F(UpgradeDialogTest, ProgramRunsAWholeUpgradeAndTheBridgeReturnsWithTheNewVersion)
{
    startWithBridge();
    openWithFile(writeImage(2, 6));
    auto* program = child<QPushButton>("Button1");
    auto* bar = child<QProgressBar>("ProgressBar1");
    EXPECT_EQ(bar->minimum(), 2);
    EXPECT_EQ(bar->maximum(), 179);

    QStringList shownTexts;
    bool programEnabledWhileRunning = false;
    int highestBar = 0;
    QObject::connect(form.get(), &TUpgradeForm::progressChanged, [&] {
        programEnabledWhileRunning |= form->running() && program->isEnabled();
        highestBar = std::max(highestBar, bar->value());
    });
    QObject::connect(form.get(), &TUpgradeForm::statusChanged, [&] {
        if (shownTexts.isEmpty() || shownTexts.last() != statusText())
            shownTexts << statusText();
    });

    clickProgram();

    EXPECT_EQ(form->lastEnding(), TUpgradeForm::Ending::Done);
    EXPECT_EQ(shownTexts,
              (QStringList{QStringLiteral("Prepare to program..."), QStringLiteral("Writing..."),
                           QStringLiteral("Verifing..."), QStringLiteral("Done.")}));
    EXPECT_EQ(child<QLabel>("Label1")->text(), QStringLiteral("Done."));
    EXPECT_TRUE(child<QLabel>("Label2")->text().isEmpty());
    EXPECT_EQ(child<QLabel>("FirmVersion")->text(), QStringLiteral("Firmware v.2.6"));
    EXPECT_EQ(child<QLabel>("BootVersion")->text(), QStringLiteral("Bridge BootLoader v2.0"));
    EXPECT_EQ(highestBar, 179);
    EXPECT_EQ(bar->value(), 179);
    EXPECT_FALSE(programEnabledWhileRunning);
    EXPECT_TRUE(program->isEnabled());
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(ui.boxes.isEmpty());

    EXPECT_TRUE(waitFor([&] {
        return model->bridges().texts() ==
                   QStringList{QStringLiteral("USB-I2C converter N=SIM0001, Ver2.6")} &&
               !model->bridges().entry(0)->VersionQueryPending;
    }));
    EXPECT_EQ(firmware().blocksWritten(), 178);
    EXPECT_TRUE(model->control().pollTimer().isActive());
}

// Exit, Escape and the close button all end a run in the middle of the writes; the dialog
// stays open until the procedure has returned, then closes with the cancel result.
TEST_F(UpgradeDialogTest, ExitDuringTheWritesEndsTheRunThenCloses)
{
    const struct
    {
        const char* name;
        std::function<void(UpgradeDialog&)> press;
    } cases[] = {
        {"Exit",
         [](UpgradeDialog& d) {
             QTest::mouseClick(d.findChild<QPushButton*>(QStringLiteral("Button3")),
                               Qt::LeftButton);
         }},
        {"Escape", [](UpgradeDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close button", [](UpgradeDialog& d) { d.close(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        restart();
        openWithFile(writeImage(2, 6));
        bool pressed = false;
        bool openAfterPress = false;
        bool runningAfterPress = false;
        const auto watch =
            QObject::connect(form.get(), &TUpgradeForm::progressChanged, [&](int position) {
                if (pressed || position != 20 || form->Label1() != u"Writing...")
                    return;
                pressed = true;
                // As a click the user makes: handled by the procedure's own wait.
                QMetaObject::invokeMethod(
                    dialog.get(),
                    [&] {
                        c.press(*dialog);
                        openAfterPress = dialog->isVisible();
                        runningAfterPress = form->running();
                    },
                    Qt::QueuedConnection);
            });

        clickProgram();
        QObject::disconnect(watch);

        ASSERT_TRUE(pressed);
        EXPECT_TRUE(openAfterPress);
        EXPECT_TRUE(runningAfterPress);
        EXPECT_EQ(form->lastEnding(), TUpgradeForm::Ending::Failed);
        EXPECT_FALSE(dialog->isVisible());
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
        EXPECT_EQ(child<QLabel>("Label2")->text(), QStringLiteral("Error! Try again!"));
        EXPECT_TRUE(child<QLabel>("Label1")->text().isEmpty());
        EXPECT_EQ(child<QProgressBar>("ProgressBar1")->value(), 20);
        EXPECT_TRUE(child<QPushButton>("Button1")->isEnabled());
        // Blocks 2 to 19, and block 20 if it was out before the press was handled.
        EXPECT_GE(firmware().blocksWritten(), 18);
        EXPECT_LE(firmware().blocksWritten(), 19);
        EXPECT_EQ(firmware().mode(), SimFirmware::Mode::BootLoader);
        EXPECT_FALSE(model->flags().ControlReplyExpected);
        EXPECT_TRUE(model->control().pollTimer().isActive());
    }
}

TEST_F(UpgradeDialogTest, ReopeningClearsTheErrorAndTheBarButKeepsTheOtherTexts)
{
    startWithBridge();
    openWithFile(writeImage(2, 6));
    // A failure in the read-back phase leaves an error, a version text and a bar at 90.
    firmware().setCorruptVerifyAt(90);
    clickProgram();
    ASSERT_EQ(form->lastEnding(), TUpgradeForm::Ending::Failed);
    dialog->reject();
    ASSERT_FALSE(dialog->isVisible());

    dialog->open();
    EXPECT_TRUE(child<QLabel>("Label2")->text().isEmpty());
    EXPECT_EQ(child<QProgressBar>("ProgressBar1")->value(), 2);
    EXPECT_EQ(child<QLabel>("FirmVersion")->text(), QStringLiteral("Firmware v.2.6"));
    EXPECT_EQ(child<QLabel>("BootVersion")->text(), QStringLiteral("Bridge BootLoader v2.0"));
    EXPECT_EQ(child<QLineEdit>("Edit1")->text(), form->FirmwareFileName());
}

// The version question comes through the UI port; Cancel leaves the bridge alone.
TEST_F(UpgradeDialogTest, DowngradeQuestionGoesThroughTheUiPort)
{
    startWithBridge(2, 6);
    openWithFile(writeImage(2, 5));
    firmware().clearLog();
    ui.buttonReplies = {UiPort::Button::Cancel};
    clickProgram();
    ASSERT_EQ(ui.boxes.size(), 1);
    EXPECT_EQ(ui.boxes[0].text,
              QStringLiteral("Current Bridge version has highest version! Continue program?"));
    EXPECT_EQ(ui.boxes[0].caption, QStringLiteral("Warning"));
    EXPECT_EQ(ui.boxes[0].buttons, UiPort::Button::Ok | UiPort::Button::Cancel);
    EXPECT_EQ(form->lastEnding(), TUpgradeForm::Ending::Refused);
    EXPECT_TRUE(statusText().isEmpty());
    EXPECT_TRUE(firmware().log().isEmpty());
    EXPECT_TRUE(dialog->isVisible());
}

TEST_F(UpgradeDialogTest, StatusLabelsShareOnePlaceInNineteenPixelTypeTheErrorInRed)
{
    startWithBridge();
    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    auto* label1 = child<QLabel>("Label1");
    auto* label2 = child<QLabel>("Label2");
    EXPECT_EQ(label1->geometry(), label2->geometry());
    EXPECT_EQ(label1->font().pixelSize(), 19);
    EXPECT_EQ(label2->font().pixelSize(), 19);
    EXPECT_EQ(label2->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_NE(label1->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_GE(dialog->width(), 446);
    EXPECT_GE(dialog->height(), 199);
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());

    form->ShowUpgradeStatus(QStringLiteral("Error! Try again!"), TUpgradeForm::StatusKind::Error);
    EXPECT_TRUE(label1->text().isEmpty());
    EXPECT_EQ(label2->text(), QStringLiteral("Error! Try again!"));
    form->ShowUpgradeStatus(QStringLiteral("Writing..."), TUpgradeForm::StatusKind::Normal);
    EXPECT_EQ(label1->text(), QStringLiteral("Writing..."));
    EXPECT_TRUE(label2->text().isEmpty());
}

} // namespace
