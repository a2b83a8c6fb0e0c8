#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QObject>
#include <QTimer>

class TrafficLog;

// Follows a file the log is recorded to, as someone running `tail -f` on it
// would: notes when each log line was appended to the log and when its file
// line showed up, and compares what reaches the file with the file form of
// every appended line.
class RecordingFollower : public QObject {
public:
    RecordingFollower(TrafficLog &log, const QString &path);

    // Reads what reached the file so far.
    void poll();
    // The most and the median time from a line's append to its line in the file.
    double maxLagMs() const;
    double medianLagMs() const;
    qint64 linesInFile() const { return m_linesInFile; }
    // Whether the file read so far is, after its header line, byte for byte
    // the file form of every line appended since the follower began, with
    // nothing missing.
    bool complete() const { return m_same && m_expected.isEmpty(); }

private:
    TrafficLog &m_log;
    QFile m_file;
    QTimer m_timer;
    QByteArray m_expected; // appended, not yet seen in the file
    QByteArray m_head;     // the start of the file until its header line is whole
    bool m_headerSeen = false;
    bool m_same = true;
    QList<qint64> m_appendedNs; // per line appended
    qint64 m_linesInFile = 0;
    QList<double> m_lagMs;
};
