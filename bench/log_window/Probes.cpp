#include "Probes.h"

#include "Feed.h"

#include <QCoreApplication>
#include <QEvent>
#include <QDir>
#include <QFile>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace Probes {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

namespace {
// utime + stime from a /proc stat file; -1 if unknown.
double cpuSecondsFromStat(const QString &path)
{
    QFile stat(path);
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray line = stat.readAll();
    // The fields after the command name, which is in parentheses.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    const double ticks = fields[11].toDouble() + fields[12].toDouble(); // utime, stime
    return ticks / double(sysconf(_SC_CLK_TCK));
}
} // namespace

double processCpuSeconds(qint64 pid)
{
    return pid <= 0 ? -1 : cpuSecondsFromStat(QStringLiteral("/proc/%1/stat").arg(pid));
}

double threadCpuSeconds(const QByteArray &name)
{
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString &tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(tid + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == name)
            return cpuSecondsFromStat(tasks.filePath(tid + QStringLiteral("/stat")));
    }
    return -1;
}

namespace {
long statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').first().toLong();
    return -1;
}
} // namespace

long residentKiB() { return statusKiB("VmRSS:"); }

long peakResidentKiB() { return statusKiB("VmHWM:"); }

long wakeUps()
{
    // Summed over every thread, also those that have ended meanwhile (Qt
    // ends idle helper threads): counting the threads alive now could even
    // go backwards.
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw;
}

double largest(const QList<double> &values)
{
    return values.isEmpty() ? 0 : *std::max_element(values.begin(), values.end());
}

double percentile(QList<double> values, double p)
{
    if (values.isEmpty())
        return 0;
    std::sort(values.begin(), values.end());
    const qsizetype index =
        std::min<qsizetype>(values.size() - 1, qsizetype(p / 100.0 * double(values.size())));
    return values[index];
}

TimerLateness::TimerLateness()
{
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1);
    QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
        const qint64 now = m_clock.nsecsElapsed();
        m_lateness.append(std::max<double>(0, (now - m_lastNs) / 1e6 - 1.0));
        if (qEnvironmentVariableIsSet("LINTROVA_BENCH_STALLS") && now - m_lastNs > 20'000'000)
            std::fprintf(stderr, "stall of %.1f ms at %.3f s\n", (now - m_lastNs) / 1e6, now / 1e9);
        m_lastNs = now;
    });
}

void TimerLateness::start()
{
    m_clock.start();
    m_lastNs = 0;
    m_timer.start();
}

void TimerLateness::stop() { m_timer.stop(); }

KeyToPaint::KeyToPaint(QWidget *widget) : m_widget(widget)
{
    m_clock.start();
    widget->installEventFilter(this);
}

bool KeyToPaint::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_widget)
        return false;
    if (event->type() == QEvent::KeyPress && m_pressNs < 0) {
        m_pressNs = m_clock.nsecsElapsed();
    } else if (event->type() == QEvent::Paint && m_pressNs >= 0) {
        // The paint runs here, so its end can be timed; the filter then
        // takes the event so that it is not painted twice.
        m_widget->removeEventFilter(this);
        QCoreApplication::sendEvent(m_widget, event);
        m_widget->installEventFilter(this);
        m_latency.append((m_clock.nsecsElapsed() - m_pressNs) / 1e6);
        m_pressNs = -1;
        return true;
    }
    return false;
}

PaintEnds::PaintEnds(QWidget *widget) : m_widget(widget)
{
    widget->installEventFilter(this);
}

qint64 PaintEnds::firstAfter(qint64 ns) const
{
    for (const qint64 end : m_ends)
        if (end >= ns)
            return end;
    return -1;
}

bool PaintEnds::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_widget || event->type() != QEvent::Paint)
        return false;
    // As KeyToPaint: the paint runs here so that its end can be timed.
    const qint64 start = Feed::monotonicNs();
    m_widget->removeEventFilter(this);
    QCoreApplication::sendEvent(m_widget, event);
    m_widget->installEventFilter(this);
    m_ends.append(Feed::monotonicNs());
    m_busyNs += m_ends.last() - start;
    return true;
}

} // namespace Probes
