#include "engine/WaitMilliseconds.h"

#include <QEventLoop>
#include <QList>
#include <QTimer>

namespace {

// Raised by AbandonWaits; a pause that began before it ends.
quint64 g_generation = 0;
QList<QEventLoop *> g_running;

} // namespace

void WaitMilliseconds(qint16 ms)
{
    if (ms <= 0)
        return;
    WaitUntil(QDeadlineTimer(ms, Qt::PreciseTimer));
}

void WaitUntil(const QDeadlineTimer &deadline)
{
    // A quit of the application ends every running event loop, so the loop may
    // return early; the deadline decides when the pause is over.
    const quint64 generation = g_generation;
    while (generation == g_generation && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(deadline.remainingTime(), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        g_running.append(&loop);
        loop.exec();
        g_running.removeOne(&loop);
    }
}

void AbandonWaits()
{
    ++g_generation;
    for (QEventLoop *loop : std::as_const(g_running))
        loop->quit();
}
