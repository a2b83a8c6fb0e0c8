#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class TrafficLog;

// Records the traffic log to a file as it happens: every line appended to the
// log goes to the file in the form a saved log has (LogFile), also across the
// clearing of the log. A writer thread of its own does the writing, so a slow
// disk never holds up the window or the receive path; the window only hands
// it the lines. What was appended reaches the system within half a second, so
// a crash of the program loses at most that, and a fast stream as soon as a
// megabyte of it waits, so the lines held for the file stay few; the file is
// synced when recording stops.
//
// An existing file is appended to, never truncated. It is locked while it is
// recorded, so a second window (or program) cannot record into it as well.
// Every start writes the header of a saved log first (LogFile::headerLine,
// with the date of the start), and a day line goes before the first line of
// each new UTC day.
class LogRecorder : public QObject {
    Q_OBJECT
public:
    // The errorNumber of failed() when the path no longer names the file
    // being written (it was removed, renamed or replaced).
    static constexpr int kFileGone = -1;

    explicit LogRecorder(const TrafficLog &log, QObject *parent = nullptr);
    // Stops and waits until every file is synced and closed.
    ~LogRecorder() override;

    // Opens the file for appending (creating it) and records from now on;
    // port names the port in the header (see LogFile::headerLine). Answers
    // 0, or why not as an errno value: EWOULDBLOCK when another recorder
    // holds the file. A recording in progress is stopped first.
    int start(const QString &path, const QString &port = QString());
    // Stops recording. The writer hands the rest to the system, syncs and
    // closes the file on its own; the caller does not wait for it.
    void stop();
    // Stops, and waits until every file written so far is synced and closed.
    void finish();

    bool recording() const { return m_writer != nullptr; }
    // The file being recorded, or the last one.
    QString path() const { return m_path; }

    // How often the writer hands what it holds to the system (tests shorten it).
    void setPeriod(std::chrono::milliseconds period) { m_period = period; }
    // The clock that dates the header (tests set their own).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

Q_SIGNALS:
    // A writer stopped by itself: the write failed (errorNumber is its errno)
    // or the path no longer names the file (kFileGone). What was written
    // before stays in the file. When this was the recording in progress,
    // recording() is already false.
    void failed(const QString &path, int errorNumber);

private:
    struct Writer;
    void take(int first, int last);
    void writerFailed(quint64 serial, const QString &path, int errorNumber);
    void reapFinished();
    void removeStopped(const std::function<bool(const Writer &)> &which);

    const TrafficLog &m_log;
    std::unique_ptr<Writer> m_writer;
    std::vector<std::unique_ptr<Writer>> m_stopped; // still syncing, or failed
    QString m_path;
    quint64 m_serials = 0;
    qint64 m_day = 0; // the UTC day of the last line given to the writer
    std::function<QDateTime()> m_clock = [] { return QDateTime::currentDateTimeUtc(); };
    std::chrono::milliseconds m_period{500};
};
