#pragma once

#include "app/MainModel.h"
#include "base/MemoryCommandEditor.h"
#include "base/MemoryStatusWindow.h"
#include "sim/SimPlatform.h"
#include "support/QtPrinters.h"
#include "support/RecordingUiPort.h"
#include "support/TempFolderPaths.h"
#include "support/WaitFor.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

// A main-window model on simulated bridges, with its files in a temporary folder.
class ModelFixture : public ::testing::Test
{
protected:
    MainModel::Paths paths() const { return pathsIn(dir); }

    // Creates the model and runs start-up as the program does (create, activate, start).
    MainModel& createModel(const QStringList& arguments = {},
                           const Clock& clock = SteadyClock::instance())
    {
        model = std::make_unique<MainModel>(sim, ui, editor, status, paths(), clock);
        model->FormCreate(arguments);
        model->FormActivate();
        model->start();
        return *model;
    }

    // Waits until the first bridge is selected and every bridge's version is known.
    bool waitForBridges(int count = 1, int deadlineMs = 5000)
    {
        return waitFor(
            [&] {
                BridgeList& b = model->bridges();
                if (b.count() != count || !b.SelectedBridge())
                    return false;
                for (int i = 0; i < count; ++i)
                    if (b.entry(i)->VersionQueryPending)
                        return false;
                return model->bridges().SelectedBridge() == model->bridges().ChosenBridge();
            },
            deadlineMs);
    }

    // Waits until the link is free and the poll timer's exchange is over.
    bool waitForIdleLink(int deadlineMs = 3000)
    {
        return waitFor([&] { return !model->flags().WriteOutstanding; }, deadlineMs);
    }

    // One bridge answering at once, selected with its version read, the link free and the
    // status window empty: where most tests of the run commands start.
    void startWithOneFastBridge()
    {
        sim.addBridges(1);
        sim.devices().first()->setReplyLatencyMs(0);
        createModel();
        ASSERT_TRUE(waitForBridges());
        ASSERT_TRUE(waitForIdleLink());
        status.clear();
    }

    // The firmware of a simulated bridge that is there (a test error otherwise).
    SimFirmware& firmware(int bridge = 0)
    {
        const QList<SimDevice*> devices = sim.devices();
        if (bridge < 0 || bridge >= devices.size() || !devices.at(bridge)->firmware())
            throw std::out_of_range("no simulated bridge " + std::to_string(bridge));
        return *devices.at(bridge)->firmware();
    }

    void TearDown() override { model.reset(); }

    QTemporaryDir dir;
    SimPlatform sim;
    RecordingUiPort ui;
    MemoryCommandEditor editor;
    MemoryStatusWindow status;
    std::unique_ptr<MainModel> model;
};
