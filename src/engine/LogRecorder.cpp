#include "engine/LogRecorder.h"

#include "engine/LogFile.h"
#include "engine/TrafficLog.h"

#include <QFile>
#include <QList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// How often the writer makes sure the path still names its file.
constexpr auto kIdentityCheck = std::chrono::seconds(1);
// Lines are converted and written in pieces of about this size.
constexpr qsizetype kPiece = 1 << 20;

int writeAll(int fd, const QByteArray &bytes)
{
    const char *at = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, at, size_t(left));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        at += written;
        left -= written;
    }
    return 0;
}

} // namespace

struct LogRecorder::Writer {
    QString path;
    QByteArray nativePath;
    int fd = -1;
    dev_t device = 0;
    ino_t inode = 0;
    std::chrono::milliseconds period;
    quint64 serial = 0;
    std::function<void(int)> report; // called by the thread when it fails

    // A log line as the codec's bytes, or a line of the file's own (header,
    // day line) as it goes into the file.
    struct Line {
        QByteArray bytes;
        bool asIs = false;
    };

    std::mutex mutex;
    std::condition_variable wake;
    QList<Line> pending;
    qsizetype pendingBytes = 0;
    bool stopping = false;
    std::atomic<bool> finished{false};
    std::atomic<bool> failed{false}; // kept until the window heard of it
    std::thread thread;

    ~Writer()
    {
        requestStop();
        if (thread.joinable())
            thread.join();
        else if (fd >= 0)
            ::close(fd);
    }

    void requestStop()
    {
        const std::lock_guard lock(mutex);
        stopping = true;
        wake.notify_one();
    }

    void add(const QByteArray &line, bool asIs = false)
    {
        const std::lock_guard lock(mutex);
        pending.append({line, asIs}); // shared, not copied
        // A fast stream is written in pieces as they fill, not only twice a
        // second: the lines it holds would otherwise outlive the log's
        // clearing by half a second of data.
        pendingBytes += line.size();
        if (pendingBytes >= kPiece)
            wake.notify_one();
    }

    // Removed, renamed away or replaced: the lines would go where nobody looks.
    bool pathStillNamesFile() const
    {
        struct stat named {};
        if (::stat(nativePath.constData(), &named) != 0)
            return errno != ENOENT && errno != ENOTDIR; // other failures prove nothing
        return named.st_dev == device && named.st_ino == inode;
    }

    int writeLines(const QList<Line> &lines) const
    {
        QByteArray piece;
        for (const Line &line : lines) {
            if (line.asIs)
                piece.append(line.bytes);
            else
                LogFile::appendLine(piece, line.bytes);
            if (piece.size() >= kPiece) {
                if (const int error = writeAll(fd, piece))
                    return error;
                piece.resize(0);
            }
        }
        return writeAll(fd, piece);
    }

    void run()
    {
        pthread_setname_np(pthread_self(), "lintrova-record");
        // A pipe whose reader went away fails the write with EPIPE instead of
        // ending the program.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        int error = 0;
        auto nextCheck = Clock::now() + kIdentityCheck;
        for (bool last = false; !last && error == 0;) {
            QList<Line> lines;
            {
                std::unique_lock lock(mutex);
                wake.wait_for(lock, period, [this] { return stopping || pendingBytes >= kPiece; });
                lines.swap(pending);
                pendingBytes = 0;
                last = stopping;
            }
            error = writeLines(lines);
            if (error == 0 && Clock::now() >= nextCheck) {
                nextCheck = Clock::now() + kIdentityCheck;
                if (!pathStillNamesFile())
                    error = kFileGone;
            }
        }
        if (error == 0 && ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS)
            error = errno; // EINVAL, EROFS: a file that cannot be synced, such as a pipe
        ::close(fd);
        fd = -1;
        failed = error != 0;
        finished = true;
        if (error != 0)
            report(error);
    }
};

LogRecorder::LogRecorder(const TrafficLog &log, QObject *parent) : QObject(parent), m_log(log)
{
    connect(&log, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { take(first, last); });
}

LogRecorder::~LogRecorder()
{
    finish();
}

int LogRecorder::start(const QString &path, const QString &port)
{
    stop();
    reapFinished();
    auto writer = std::make_unique<Writer>();
    writer->path = path;
    writer->nativePath = QFile::encodeName(path);
    writer->period = m_period;
    // Not blocking: a named pipe nobody reads would hold the window in open().
    writer->fd = ::open(writer->nativePath.constData(),
                        O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0666);
    if (writer->fd < 0)
        return errno;
    ::fcntl(writer->fd, F_SETFL, ::fcntl(writer->fd, F_GETFL) & ~O_NONBLOCK);
    struct stat opened {};
    if (::flock(writer->fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(writer->fd, &opened) != 0)
        return errno; // the writer closes the file
    if (S_ISDIR(opened.st_mode))
        return EISDIR;
    writer->device = opened.st_dev;
    writer->inode = opened.st_ino;
    const quint64 serial = writer->serial = ++m_serials;
    writer->report = [this, serial, path](int error) {
        QMetaObject::invokeMethod(
            this, [this, serial, path, error] { writerFailed(serial, path, error); },
            Qt::QueuedConnection);
    };
    const QDateTime now = m_clock();
    m_day = LogFile::utcDay(now.toMSecsSinceEpoch());
    writer->add(LogFile::headerLine(port, now.toUTC().date()), true);
    Writer *raw = writer.get();
    writer->thread = std::thread([raw] { raw->run(); });
    m_writer = std::move(writer);
    m_path = path;
    return 0;
}

void LogRecorder::take(int first, int last)
{
    if (!m_writer)
        return;
    for (int row = first; row <= last; ++row) {
        const qint64 day = LogFile::utcDay(m_log.utcMsecs(row));
        if (day != m_day) {
            m_day = day;
            m_writer->add(LogFile::dayLine(LogFile::dateOfDay(day)), true);
        }
        m_writer->add(m_log.lineBytes(row));
    }
}

void LogRecorder::stop()
{
    if (!m_writer)
        return;
    m_writer->requestStop();
    m_stopped.push_back(std::move(m_writer));
}

void LogRecorder::finish()
{
    stop();
    m_stopped.clear(); // each joins its thread
}

void LogRecorder::writerFailed(quint64 serial, const QString &path, int errorNumber)
{
    if (m_writer && m_writer->serial == serial)
        stop();
    removeStopped([serial](const Writer &w) { return w.serial == serial; });
    Q_EMIT failed(path, errorNumber);
}

void LogRecorder::removeStopped(const std::function<bool(const Writer &)> &which)
{
    m_stopped.erase(std::remove_if(m_stopped.begin(), m_stopped.end(),
                                   [&which](const auto &w) { return which(*w); }),
                    m_stopped.end());
}

void LogRecorder::reapFinished()
{
    // A failed one stays until writerFailed() has seen it.
    removeStopped([](const Writer &w) { return w.finished && !w.failed; });
}
