#include "engine/FileSender.h"

#include "app/LineEnd.h"
#include "app/modGlobal.h"
#include "engine/EngineContext.h"
#include "engine/TerminalView.h"
#include "engine/TrafficLog.h"
#include "ports/SerialPortControl.h"
#include "text/Codec.h"
#include "text/FileErrorText.h"
#include "text/QuotedValue.h"
#include "text/StringTable.h"
#include "text/modFormat.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr qint32 kErrorTitle = 1603;
constexpr qint32 kSentOf = 2334;
constexpr qint32 kProgress = 2335;
constexpr qint32 kTakesNothing = 2336;
constexpr qint32 kUnreadable = 2337;

// Why a file cannot be sent from its start: only a regular file has an end
// and a size to count against.
int openFailure(int fd, qint64 &size)
{
    struct stat info {};
    if (fd < 0)
        return errno;
    if (::fstat(fd, &info) != 0)
        return errno;
    if (!S_ISREG(info.st_mode))
        return S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    size = info.st_size;
    return 0;
}

} // namespace

FileSender::FileSender(EngineContext &context) : m(context)
{
    m_pace.setSingleShot(true);
    m_pace.setTimerType(Qt::PreciseTimer);
    m_stall.setSingleShot(true);
    m_progress.setSingleShot(true);
    connect(&m_pace, &QTimer::timeout, this, &FileSender::feed);
    connect(&m_stall, &QTimer::timeout, this,
            [this] { finish(text(kTakesNothing, {QString::number(m_stallMs / 1000.0)}), true); });
    connect(&m_progress, &QTimer::timeout, this, &FileSender::showProgress);
}

FileSender::~FileSender()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FileSender::start(const QString &path, int pauseMs)
{
    if (sending() || m.closing || !m.port.PortOpen())
        return false;
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    qint64 size = 0;
    if (const int err = openFailure(fd, size)) {
        if (fd >= 0)
            ::close(fd);
        m.view.showCriticalMessage(
            text(kErrorTitle),
            text(kUnreadable, {fileErrorReason(err, m.settings.Language), quotedValue(path)}));
        return false;
    }
    m_fd = fd;
    m.fileSending = true;
    m_name = QFileInfo(path).fileName();
    m_pauseMs = pauseMs;
    m_closings = m.userClosings;
    m_total = size;
    m_sent = 0;
    m_piece.clear();
    m_pieceAt = 0;
    m_unlogged.clear();
    showProgress();
    try {
        if (m.settings.RTS != 0) {
            m.port.setRTSEnable(true);
            m_rtsRaised = true;
        }
    } catch (const PortError &e) {
        finish(e.description(), true);
        return false;
    }
    // As in a transmission, the delay comes before the first character too.
    m_pace.start(std::max<int>(m.settings.CharDelay, 0));
    return true;
}

void FileSender::portEnding(const QString &reason)
{
    finish(reason, true);
}

void FileSender::shutDown()
{
    finish(QString(), false);
}

void FileSender::feed()
{
    if (!sending())
        return;
    if (m.userClosings != m_closings)
        return finish(QString(), true);
    // The bytes of a transmission under way stay together on the line, and
    // a break holds it.
    if (m.transmitting || m.breakHolding) {
        m_pace.start(1);
        return;
    }
    try {
        if (m_pieceAt >= m_piece.size() && !refill())
            return;
        const qsizetype want = nextWriteSize();
        const qsizetype taken = m.port.writeSome(QByteArrayView(m_piece).sliced(m_pieceAt, want));
        wrote(taken);
        if (taken < want)
            return waitForRoom();
    } catch (const PortError &e) {
        if (m.portFailed)
            m.portFailed();
        return finish(e.description(), true);
    }
    const bool afterLf = m_pauseMs > 0 && m_piece.at(m_pieceAt - 1) == '\n';
    const int delay = (afterLf ? m_pauseMs : 0) + std::max<int>(m.settings.CharDelay, 0);
    if (delay > 0)
        m_pace.start(delay);
    else
        waitForRoom();
}

// Reads the next piece; at the end of the file, or when it cannot be read,
// the send ends and the answer is false.
bool FileSender::refill()
{
    m_piece.resize(kMostPerRead);
    m_pieceAt = 0;
    ssize_t n = -1;
    do
        n = ::read(m_fd, m_piece.data(), size_t(kMostPerRead));
    while (n < 0 && errno == EINTR);
    if (n < 0) {
        const QString reason = fileErrorReason(errno, m.settings.Language);
        m_piece.clear();
        finish(text(kUnreadable, {reason, quotedValue(m_name)}), true);
        return false;
    }
    m_piece.resize(n);
    if (n == 0)
        finish(QString(), false);
    return n > 0;
}

// One character with a character delay, else up to 4 KiB; with a pause, no
// further than the next LF.
qsizetype FileSender::nextWriteSize() const
{
    qsizetype want = m.settings.CharDelay > 0
                         ? 1
                         : std::min<qsizetype>(kMostPerWrite, m_piece.size() - m_pieceAt);
    if (m_pauseMs > 0) {
        const qsizetype lf = m_piece.indexOf('\n', m_pieceAt);
        if (lf >= 0)
            want = std::min(want, lf - m_pieceAt + 1);
    }
    return want;
}

void FileSender::wrote(qsizetype count)
{
    if (count <= 0)
        return;
    if (m_unlogged.isEmpty())
        m_unloggedSince = m.clock();
    m_unlogged.append(m_piece.constData() + m_pieceAt, count);
    m_pieceAt += count;
    m_sent += count;
    m_stall.stop(); // it counts a wait that brings nothing
    if (!m_progress.isActive())
        m_progress.start(kProgressMs);
    const QByteArrayView end = lineEndBytes(lineEndKind(m.settings.LineEnd));
    for (;;) {
        const qsizetype at = end.isEmpty() ? -1 : m_unlogged.indexOf(end);
        qsizetype cut = at >= 0 ? at + end.size() : m_unlogged.size();
        cut = std::min(cut, kLogLineBytes);
        if (at < 0 && cut < kLogLineBytes)
            return;
        logPiece(cut);
    }
}

void FileSender::waitForRoom()
{
    if (!m_stall.isActive())
        m_stall.start(m_stallMs);
    if (!m.port.awaitRoom([this] { feed(); }))
        m_pace.start(0);
}

void FileSender::flushLog()
{
    logPiece(m_unlogged.size());
}

void FileSender::logPiece(qsizetype size)
{
    if (size <= 0)
        return;
    const auto form = m.settings.Peculiar != 0 ? TrafficLog::TextForm::Tokens
                                               : TrafficLog::TextForm::Raw;
    m.log.AppendTrafficLine(TrafficLog::Direction::Sent, Codec::toText(m_unlogged.first(size)),
                            m_unloggedSince, form);
    m_unlogged.remove(0, size);
    m_unloggedSince = m.clock();
}

void FileSender::showProgress()
{
    if (!sending())
        return;
    const qint64 percent = m_total > 0 ? m_sent * 100 / m_total : 100;
    m.view.showFileProgress(m_name + QStringLiteral(": ") +
                            text(kProgress, {QString::number(percent), QString::number(m_sent),
                                             QString::number(m_total)}));
}

void FileSender::finish(const QString &reason, bool tell)
{
    if (!sending())
        return;
    ::close(m_fd);
    m_fd = -1;
    m.fileSending = false;
    m_pace.stop();
    m_stall.stop();
    m_progress.stop();
    m.port.awaitRoom({});
    flushLog();
    m_piece = QByteArray();
    m_unlogged = QByteArray();
    if (std::exchange(m_rtsRaised, false)) {
        try {
            m.port.setRTSEnable(false);
        } catch (const PortError &) {
            // The send has ended already; the port's own failure is told by its loss.
        }
    }
    m.view.showFileProgress(QString());
    if (!tell || m.closing)
        return;
    QString message = text(kSentOf, {QString::number(m_sent), QString::number(m_total)});
    if (!reason.isEmpty())
        message += QStringLiteral(" – ") + reason;
    m.log.appendEvent(message, m.clock());
    m.view.showStatusMessage(message);
}

QString FileSender::text(qint32 id, const QStringList &params) const
{
    return fkt_FormatInsertParam(fkt_ToolsGetResString(id, m.settings.Language), params);
}
