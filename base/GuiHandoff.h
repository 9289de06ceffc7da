#pragma once

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

// The one queue through which worker threads run calls on the GUI thread, synchronously:
// the worker enqueues the call, posts an event and blocks until the GUI thread has run it.
// Wherever the GUI thread waits for a worker, it keeps draining this queue
// (waitWhileDraining), so a worker blocked in a hand-off can always finish.
class GuiHandoff : public QObject
{
    Q_OBJECT

public:
    // The process's queue, bound to the thread of the QCoreApplication. Created on first use;
    // a QCoreApplication must exist by then.
    static GuiHandoff& instance();

    // Runs call on the GUI thread and returns after it has run. Called on the GUI thread, it
    // runs the call at once. Returns false, without running it, once the queue is shut down.
    bool run(const std::function<void()>& call);

    // GUI thread: runs every call queued so far.
    Q_INVOKABLE void drain();
    // Calls queued and not yet taken by drain().
    qsizetype queuedCalls();

    // GUI thread: keeps running queued calls until finished() holds. Whoever changes what
    // finished() looks at calls notify() afterwards.
    void waitWhileDraining(const std::function<bool()>& finished);

    // Wakes a GUI thread waiting in waitWhileDraining or in pumpUntil.
    void notify();

    bool onGuiThread() const;

    // Releases every blocked worker without running its call; later run() calls return false.
    void shutdown();

private:
    GuiHandoff();

    struct Item
    {
        const std::function<void()>* call;
        bool done = false;
    };

    std::mutex m_mutex; // protects m_queue, every queued Item's done flag, m_eventPosted,
                        // m_notifications and m_shutdown
    std::condition_variable m_itemDone;  // workers wait here for their call to be run
    std::condition_variable m_guiWakeup; // the GUI thread waits here in waitWhileDraining
    std::deque<Item*> m_queue;
    bool m_eventPosted = false;
    quint64 m_notifications = 0;
    bool m_shutdown = false;
};
