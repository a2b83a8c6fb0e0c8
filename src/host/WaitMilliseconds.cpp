#include "host/WaitMilliseconds.h"

#include <QEventLoop>
#include <QList>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>
#include <utility>

namespace {

// Raised by AbandonWaits; a pause that began before it ends.
quint64 g_generation = 0;
QList<QEventLoop *> g_running;
constexpr qint64 kNsPerMs = 1'000'000;

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
        const qint64 leftNs = deadline.remainingTimeNSecs();
        if (leftNs < kNsPerMs) {
            // Timers count whole milliseconds and would wake up late; the
            // last fraction is slept out, too short to hold up the window.
            std::this_thread::sleep_for(std::chrono::nanoseconds(leftNs));
            break;
        }
        QEventLoop loop;
        QTimer::singleShot(int(leftNs / kNsPerMs), Qt::PreciseTimer, &loop, &QEventLoop::quit);
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

EventWait::End EventWait::wait(QEventLoop::ProcessEventsFlags flags)
{
    const quint64 generation = g_generation;
    if (!m_cancelled && !m_woken && !m_deadline.hasExpired()) {
        QEventLoop loop;
        // Whole milliseconds, rounded up: a wait that ends a little early
        // would only come back for the rest.
        const qint64 leftMs = (m_deadline.remainingTimeNSecs() + kNsPerMs - 1) / kNsPerMs;
        QTimer::singleShot(int(std::min<qint64>(leftMs, 1 << 30)), Qt::PreciseTimer, &loop,
                           &QEventLoop::quit);
        m_loop = &loop;
        g_running.append(&loop);
        loop.exec(flags);
        g_running.removeOne(&loop);
        m_loop = nullptr;
    }
    if (generation != g_generation)
        m_cancelled = true;
    if (m_cancelled)
        return End::Cancelled;
    if (std::exchange(m_woken, false))
        return End::Woken;
    return m_deadline.hasExpired() ? End::Expired : End::Woken;
}

void EventWait::wake()
{
    m_woken = true;
    if (m_loop)
        m_loop->quit();
}

void EventWait::cancel()
{
    m_cancelled = true;
    if (m_loop)
        m_loop->quit();
}
