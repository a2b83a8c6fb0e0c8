#include "engine/WaitMilliseconds.h"

#include <QEventLoop>
#include <QTimer>

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
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(deadline.remainingTime(), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}
