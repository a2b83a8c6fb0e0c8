#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTimer>

struct EngineContext;

// Sends a file's bytes exactly as they stand, without ever waiting on the
// window's thread: each write hands the port at most 4 KiB (one character
// with a character delay), as much as it takes at once, and the next one
// follows when the port has room again (or the delay, or the pause after an
// LF, has passed). Between two writes the event loop runs, so received data
// is logged and a reply can go out. The file is read in pieces of at most
// 64 KiB, so memory stays bounded whatever its size.
//
// The [OUT] lines hold the bytes handed to the port, split as received
// blocks are: at 2,048 bytes and, with a line end chosen, after each line end.
// A cancel, the port's closing or loss, a read error and a port that takes
// nothing for 10 s end the send; the log and the status bar then say how many
// bytes went out.
class FileSender : public QObject {
    Q_OBJECT
public:
    static constexpr qsizetype kMostPerWrite = 4 * 1024;
    static constexpr qsizetype kMostPerRead = 64 * 1024;
    static constexpr qsizetype kLogLineBytes = 2048; // the receive buffer's size
    static constexpr int kStallMs = 10'000;
    static constexpr int kProgressMs = 100;

    explicit FileSender(EngineContext &context);
    ~FileSender() override;

    // Starts sending the file with a pause of pauseMs after each LF byte.
    // False when it cannot be read (a message box says why) or no port is
    // open.
    bool start(const QString &path, int pauseMs);
    bool sending() const { return m_fd >= 0; }
    // Stops after the write under way; the status bar and the log tell how
    // many bytes went to the port.
    void cancel() { finish(QString(), true); }
    // The port is closing or was lost: the send ends with that reason (empty
    // when the user closed it).
    void portEnding(const QString &reason);
    // The program ends: the send stops without a word.
    void shutDown();
    // Logs what went out and is not logged yet, so that a line sent between
    // two writes follows it in the log.
    void flushLog();
    qint64 sentBytes() const { return m_sent; }
    qint64 totalBytes() const { return m_total; }
    void setStallLimit(int ms) { m_stallMs = ms; }

private:
    void feed();
    bool refill();
    qsizetype nextWriteSize() const;
    void wrote(qsizetype count);
    void waitForRoom();
    void logPiece(qsizetype size);
    void showProgress();
    void finish(const QString &reason, bool tell);
    QString text(qint32 id, const QStringList &params = {}) const;

    EngineContext &m;
    int m_fd = -1;
    QString m_name;
    int m_pauseMs = 0;
    int m_stallMs = kStallMs;
    quint64 m_closings = 0;
    bool m_rtsRaised = false;
    qint64 m_total = 0;
    qint64 m_sent = 0;
    QByteArray m_piece; // read from the file, not all written yet
    qsizetype m_pieceAt = 0;
    bool m_endOfFile = false;
    QByteArray m_unlogged; // written, not in the log yet
    QDateTime m_unloggedSince;
    QTimer m_pace;     // the character delay, the pause after an LF
    QTimer m_stall;    // restarted by every byte the port takes
    QTimer m_progress; // the status bar follows at most every 100 ms
};
