#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

class QWidget;

// Measurements taken inside the program under test.
namespace Probes {

double processCpuSeconds();          // this process, all its threads
double processCpuSeconds(qint64 pid); // another process, from /proc; -1 if unknown
double threadCpuSeconds(const QByteArray &name); // a thread of this process by name; -1 if none
long residentKiB();
long peakResidentKiB();
// Times the threads of this process went to sleep and were woken again.
long wakeUps();

// Percentile p (0-100) of the values; 0 for none.
double percentile(QList<double> values, double p);
// The largest of the values, and 0 for none (every figure is at least 0).
double largest(const QList<double> &values);

// How late a 1 ms timer fires while the program works.
class TimerLateness : public QObject {
public:
    TimerLateness();
    void start();
    void stop();
    const QList<double> &latenessMs() const { return m_lateness; }

private:
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    QList<double> m_lateness;
};

// From a key press in a widget to the end of the widget's next paint.
class KeyToPaint : public QObject {
public:
    explicit KeyToPaint(QWidget *widget);
    const QList<double> &latencyMs() const { return m_latency; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_widget;
    QElapsedTimer m_clock;
    qint64 m_pressNs = -1;
    QList<double> m_latency;
};

// When a widget's paints ended, on the clock of Feed::monotonicNs.
class PaintEnds : public QObject {
public:
    explicit PaintEnds(QWidget *widget);
    // The end of the first paint that ended at or after ns; -1 when none did.
    qint64 firstAfter(qint64 ns) const;
    // Paints so far, and the time they took together.
    qsizetype count() const { return m_ends.size(); }
    double busyMs() const { return m_busyNs / 1e6; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_widget;
    QList<qint64> m_ends;
    qint64 m_busyNs = 0;
};

} // namespace Probes
