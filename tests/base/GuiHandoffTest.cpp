#include "base/GuiHandoff.h"
#include "support/WaitFor.h"

#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(GuiHandoff, RunsWorkerCallsOnTheGuiThreadInOrderAndBlocksUntilDone)
{
    GuiHandoff& handoff = GuiHandoff::instance();
    QThread* gui = QThread::currentThread();
    std::vector<int> order;
    std::atomic<int> finished{0};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            bool onGui = false;
            handoff.run([&] {
                onGui = QThread::currentThread() == gui;
                order.push_back(i);
            });
            // The call has run by the time run() returns.
            EXPECT_TRUE(onGui);
            EXPECT_EQ(int(order.size()), i + 1);
        }
        finished = 1;
        handoff.notify();
    });
    ASSERT_TRUE(waitFor([&] { return finished.load() == 1; }));
    worker.join();
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(GuiHandoff, WaitWhileDrainingLetsABlockedWorkerFinish)
{
    GuiHandoff& handoff = GuiHandoff::instance();
    std::atomic<bool> ended{false};
    int calls = 0;
    std::thread worker([&] {
        handoff.run([&] { ++calls; });
        handoff.run([&] { ++calls; });
        ended = true;
        handoff.notify();
    });
    // Without draining here the worker would stay blocked in its first hand-off.
    handoff.waitWhileDraining([&] { return ended.load(); });
    worker.join();
    EXPECT_EQ(calls, 2);
}

TEST(GuiHandoff, RunsInlineOnTheGuiThread)
{
    int calls = 0;
    EXPECT_TRUE(GuiHandoff::instance().run([&] { ++calls; }));
    EXPECT_EQ(calls, 1);
}

TEST(EventPump, GivesUpAtTheDeadlineAndReportsTheCondition)
{
    EXPECT_FALSE(pumpUntil([] { return false; }, 20));
    EXPECT_TRUE(pumpUntil([] { return true; }, 0));
}
