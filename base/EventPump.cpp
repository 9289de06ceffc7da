#include "base/EventPump.h"

#include "base/GuiHandoff.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

bool pumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    if (done())
        return true;
    QDeadlineTimer deadline =
        timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    // A worker that changes a flag without a hand-off calls GuiHandoff::notify(), which wakes
    // the dispatcher; the ticker only bounds the wait if one forgets.
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.start(timeoutMs >= 0 && timeoutMs < 10 ? qMax(1, timeoutMs) : 10);
    while (!done()) {
        if (deadline.hasExpired())
            return done();
        GuiHandoff::instance().drain();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (!deadline.isForever()) {
            const qint64 left = deadline.remainingTime();
            if (left >= 0 && left < ticker.interval())
                ticker.setInterval(qMax<qint64>(1, left));
        }
    }
    return true;
}

void pumpFor(int ms)
{
    pumpUntil([] { return false; }, ms);
}
