#pragma once

#include "gui/BottomPanel.h"
#include "gui/CommandEditorView.h"
#include "gui/MainStatusBar.h"
#include "gui/MainWindow.h"
#include "gui/StatusWindowView.h"
#include "script/BurstCapture.h"
#include "sim/SimPlatform.h"
#include "support/QtPrinters.h"
#include "support/TempFolderPaths.h"
#include "support/WaitFor.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

// The real main window on simulated bridges, offscreen, with its files in a temporary folder.
class MainWindowFixture : public ::testing::Test
{
protected:
    MainModel::Paths paths() const { return pathsIn(dir); }

    // Builds, shows and starts the window as the program does.
    MainWindow& createWindow(const QStringList& arguments = {})
    {
        window = std::make_unique<MainWindow>(sim, paths(), arguments);
        window->show();
        window->start();
        // Focus and the clipboard commands need the window to be the active one.
        window->activateWindow();
        EXPECT_TRUE(waitFor([&] { return window->isActiveWindow(); }));
        return *window;
    }

    MainModel& model() { return window->model(); }
    CommandEditorView& editor() { return window->editor(); }
    StatusWindowView& status() { return window->statusWindow(); }
    BottomPanel& bottom() { return window->bottomPanel(); }
    QAction* action(const char* name) { return window->action(QLatin1String(name)); }
    SimFirmware& firmware(int bridge = 0) { return *sim.devices().at(bridge)->firmware(); }

    // Waits until count bridges are listed with their versions and the chosen one is selected.
    bool waitForBridges(int count = 1, int deadlineMs = 5000)
    {
        return waitFor(
            [&] {
                BridgeList& b = model().bridges();
                if (b.count() != count || (count > 0 && !b.SelectedBridge()))
                    return false;
                for (int i = 0; i < count; ++i)
                    if (b.entry(i)->VersionQueryPending)
                        return false;
                return b.SelectedBridge() == b.ChosenBridge();
            },
            deadlineMs);
    }

    bool waitForIdleLink(int deadlineMs = 3000)
    {
        return waitFor([&] { return !model().flags().WriteOutstanding; }, deadlineMs);
    }

    // One bridge answering at once, selected with its version read, the link free.
    void startWithOneFastBridge()
    {
        sim.addBridges(1);
        sim.devices().first()->setReplyLatencyMs(0);
        createWindow();
        ASSERT_TRUE(waitForBridges());
        ASSERT_TRUE(waitForIdleLink());
        status().clear();
    }

    // Runs check from the event loop as soon as ready() holds, while the caller may be
    // blocked in a handler (a Send waits for its replies in a nested loop).
    void whenReady(const std::function<bool()>& ready, const std::function<void()>& check)
    {
        auto* poll = new QTimer(window.get());
        poll->setInterval(5);
        QObject::connect(poll, &QTimer::timeout, poll, [poll, ready, check] {
            if (!ready())
                return;
            poll->stop();
            poll->deleteLater();
            check();
        });
        poll->start();
    }

    void TearDown() override { window.reset(); }

    QTemporaryDir dir;
    SimPlatform sim;
    std::unique_ptr<MainWindow> window;
};
