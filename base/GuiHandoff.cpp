#include "base/GuiHandoff.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QMetaMethod>
#include <QThread>

namespace {
// The queued call is made and read inside Qt, whose own locking ThreadSanitizer cannot see;
// an event built here and read in event() would look like a race to it.
const QMetaMethod& drainMethod()
{
    static const QMetaMethod method =
        GuiHandoff::staticMetaObject.method(GuiHandoff::staticMetaObject.indexOfMethod("drain()"));
    return method;
}
} // namespace

GuiHandoff::GuiHandoff()
{
    if (auto* app = QCoreApplication::instance())
        moveToThread(app->thread());
}

GuiHandoff& GuiHandoff::instance()
{
    static GuiHandoff* handoff = new GuiHandoff; // lives as long as the process
    return *handoff;
}

bool GuiHandoff::onGuiThread() const
{
    return QThread::currentThread() == thread();
}

bool GuiHandoff::run(const std::function<void()>& call)
{
    if (onGuiThread()) {
        call();
        return true;
    }
    Item item{&call};
    std::unique_lock lock(m_mutex);
    if (m_shutdown)
        return false;
    m_queue.push_back(&item);
    const bool post = !m_eventPosted;
    m_eventPosted = true;
    m_guiWakeup.notify_all();
    lock.unlock();
    if (post)
        drainMethod().invoke(this, Qt::QueuedConnection);
    lock.lock();
    m_itemDone.wait(lock, [&] { return item.done; });
    return !m_shutdown || item.call == nullptr;
}

void GuiHandoff::drain()
{
    std::unique_lock lock(m_mutex);
    m_eventPosted = false;
    while (!m_queue.empty()) {
        Item* item = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        (*item->call)();
        lock.lock();
        item->call = nullptr;
        item->done = true;
        m_itemDone.notify_all();
    }
}

qsizetype GuiHandoff::queuedCalls()
{
    std::lock_guard lock(m_mutex);
    return qsizetype(m_queue.size());
}

void GuiHandoff::waitWhileDraining(const std::function<bool()>& finished)
{
    for (;;) {
        drain();
        if (finished())
            return;
        std::unique_lock lock(m_mutex);
        const quint64 seen = m_notifications;
        // The time-out only bounds the cost of a worker that forgot to notify.
        m_guiWakeup.wait_for(lock, std::chrono::milliseconds(10),
                             [&] { return !m_queue.empty() || m_notifications != seen; });
    }
}

void GuiHandoff::notify()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_notifications;
    }
    m_guiWakeup.notify_all();
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread()))
        dispatcher->wakeUp();
}

void GuiHandoff::shutdown()
{
    std::lock_guard lock(m_mutex);
    m_shutdown = true;
    for (Item* item : m_queue)
        item->done = true;
    m_queue.clear();
    m_itemDone.notify_all();
}
