#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QObject>
#include <QTimer>

class TrafficLog;

// Follows a file the log is recorded to, as someone running `tail -f` on it
// would: notes when each log line was appended to the log and when its file
// line showed up, and keeps the file form of every appended line to compare
// the whole file with at the end.
class RecordingFollower : public QObject {
public:
    RecordingFollower(TrafficLog &log, const QString &path);

    // Reads what reached the file so far.
    void poll();
    // The most and the median time from a line's append to its line in the file.
    double maxLagMs() const;
    double medianLagMs() const;
    qint64 linesInFile() const { return m_linesInFile; }
    // The file form of every line appended since the follower began.
    const QByteArray &expected() const { return m_expected; }

private:
    TrafficLog &m_log;
    QFile m_file;
    QTimer m_timer;
    QByteArray m_expected;
    QList<qint64> m_appendedNs; // per line appended
    qint64 m_linesInFile = 0;
    QList<double> m_lagMs;
};
