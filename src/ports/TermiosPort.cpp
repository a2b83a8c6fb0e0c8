#include "ports/TermiosPort.h"

#include "ports/DeviceCalls.h"
#include "ports/LineTime.h"
#include "ports/PortErrors.h"
#include "ports/PortText.h"
#include "ports/termios2_baud.h"
#include "text/Codec.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

using Clock = DeviceCalls::Clock;

struct TermiosPort::SavedAttributes {
    termios attributes{};
    unsigned int baud = 0;
    bool baudKnown = false;
};

namespace {

constexpr int pollSliceMs = 100;
constexpr qsizetype kReadSliceBytes = 256 * 1024;

// Closes the descriptor unless released: opening has many ways to fail.
class FdGuard {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    ~FdGuard()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FdGuard(const FdGuard &) = delete;
    FdGuard &operator=(const FdGuard &) = delete;
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// String-table IDs of the port's own descriptions.
constexpr qint32 kPathNotPresent = 1822;
constexpr qint32 kBusy = 1823;
constexpr qint32 kNoPermission = 1824;
constexpr qint32 kNotSerial = 1825;
constexpr qint32 kNoDevice = 1826;
constexpr qint32 kNotOpen = 2011;
constexpr qint32 kClosedWhileSending = 2012;
constexpr qint32 kNumberWhileOpen = 2013;
constexpr qint32 kInvalidNumber = 2014;
constexpr qint32 kNoByte = 2015;
constexpr qint32 kStillClosing = 2017;
constexpr qint32 kCannotLock = 2028;
constexpr qint32 kCannotReadSettings = 2029;
constexpr qint32 kCannotOpen = 2030;
constexpr qint32 kGone = 2031;
constexpr qint32 kCannotSetLine = 2032;
constexpr qint32 kWriteFailed = 2033;
constexpr qint32 kHeld = 2034;

bool isHangup(int err) { return err == EIO || err == ENXIO || err == ENODEV || err == EPIPE; }

int remainingMs(Clock::time_point now, Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    return int(std::clamp<qint64>(left.count(), 0, pollSliceMs));
}

} // namespace

TermiosPort::TermiosPort(PortPathResolver resolver, LanguageSource language)
    : m_resolver(std::move(resolver)), m_language(std::move(language)),
      m_calls(&DeviceCalls::system())
{
}

// The window is going away: closing must not run its events any more.
TermiosPort::~TermiosPort() { close(DrainWait::Sleeping); }

// A port that is closing counts as closed: it takes nothing new.
bool TermiosPort::PortOpen() { return m_fd >= 0 && !m_closing; }

void TermiosPort::setPortOpen(bool open)
{
    if (open && !PortOpen())
        this->open();
    else if (!open && m_fd >= 0)
        close(DrainWait::EventsButInput);
}

void TermiosPort::setDeviceCalls(DeviceCalls &calls) { m_calls = &calls; }

void TermiosPort::setCommPort(qint16 n)
{
    if (m_fd >= 0)
        throw PortError(PortErrors::AlreadyOpen, text(kNumberWhileOpen, {}));
    if (n < 1)
        throw PortError(PortErrors::InvalidPortNumber, text(kInvalidNumber, {QString::number(n)}));
    m_comPort = n;
}

void TermiosPort::setSettings(const QString &settings)
{
    const PortSettings parsed = parsePortSettings(settings, language());
    if (PortOpen())
        applyLine(parsed, m_handshake);
    m_settings = parsed;
}

void TermiosPort::setInBufferSize(qint16 size)
{
    m_backlog.setInBufferSize(size, language());
}

void TermiosPort::setInputLen(qint16 len)
{
    m_backlog.setInputLen(len, language());
}

// Thresholds and the end-of-file flag only shape events, and no event is
// raised: reception is polled.
void TermiosPort::setRThreshold(qint16) {}
void TermiosPort::setSThreshold(qint16) {}
void TermiosPort::setEOFEnable(bool) {}

void TermiosPort::setHandshaking(qint32 mode)
{
    const Handshake handshake = handshakeFromMode(mode, language());
    if (PortOpen())
        applyLine(m_settings, handshake);
    m_handshake = handshake;
}

void TermiosPort::setDTREnable(bool enable)
{
    if (PortOpen()) {
        requireDevice();
        setModemLine(TIOCM_DTR, enable);
    }
    m_dtr = enable;
}

void TermiosPort::setRTSEnable(bool enable)
{
    if (PortOpen()) {
        requireDevice();
        // A half-duplex adapter turns the line around with RTS: the last
        // character must have left before it drops.
        if (!enable) {
            try {
                drainOutput(DrainWait::EventsRun);
            } catch (const PortError &) {
                // Left raised, RTS would hold a half-duplex line in transmit.
                if (m_fd >= 0 && m_goneErrno == 0)
                    setModemLine(TIOCM_RTS, false);
                m_rts = false;
                throw;
            }
        }
        setModemLine(TIOCM_RTS, enable);
    }
    m_rts = enable;
}

void TermiosPort::setBreak(bool on)
{
    requireOpen();
    requireDevice();
    if (m_calls->setBreak(m_fd, on) != 0)
        lineFailure(errno, QStringLiteral("BREAK"));
    m_break = on;
}

ModemLines TermiosPort::modemLines()
{
    int bits = 0;
    if (!deviceAlive() || m_closing)
        return {};
    if (m_calls->modemLines(m_fd, &bits) != 0) {
        if (isHangup(errno))
            markGone(errno);
        return {}; // ENOTTY, EINVAL: no modem lines on this device
    }
    quint8 inputs = 0;
    for (const auto &[line, input] : {std::pair{TIOCM_CTS, kCts}, std::pair{TIOCM_DSR, kDsr},
                                      std::pair{TIOCM_CAR, kDcd}, std::pair{TIOCM_RNG, kRi}}) {
        if (bits & line)
            inputs |= input;
    }
    return {true, inputs};
}

void TermiosPort::setOutput(const QString &chars)
{
    requireOpen();
    const std::optional<QByteArray> bytes = Codec::toBytes(chars);
    if (!bytes)
        throw PortError(PortErrors::CharacterWithoutByte, text(kNoByte, {}));
    requireDevice();
    writeAll(*bytes);
}

qsizetype TermiosPort::writeSome(QByteArrayView bytes)
{
    requireOpen();
    requireDevice();
    for (;;) {
        const ssize_t n = m_calls->write(m_fd, bytes.data(), size_t(bytes.size()));
        if (n >= 0)
            return qsizetype(n);
        const int err = errno;
        if (err == EINTR)
            continue;
        if (err == EAGAIN || err == EWOULDBLOCK)
            return 0;
        if (isHangup(err)) {
            markGone(err);
            throwGone();
        }
        throw PortError(err,
                        PortText::withSystemText(language(), kWriteFailed, {devicePath()}, err));
    }
}

bool TermiosPort::awaitRoom(std::function<void()> handler)
{
    if (m_fd < 0 || m_closing)
        return false;
    m_roomHandler = std::move(handler);
    if (!m_roomWatch) {
        m_roomWatch = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
        QObject::connect(m_roomWatch.get(), &QSocketNotifier::activated, m_roomWatch.get(), [this] {
            m_roomWatch->setEnabled(false);
            if (const auto handler = std::exchange(m_roomHandler, {}))
                handler();
        });
    }
    m_roomWatch->setEnabled(bool(m_roomHandler));
    return true;
}

void TermiosPort::refill()
{
    requireOpen();
    readAvailable();
    if (m_backlog.isEmpty() && m_goneErrno != 0)
        throwGone();
}

void TermiosPort::setBacklogCap(qsizetype bytes)
{
    m_backlog.setCap(bytes);
    updateWatching();
}

bool TermiosPort::watchingDevice() const { return m_notifier && m_notifier->isEnabled(); }

void TermiosPort::open()
{
    if (m_fd >= 0) // still closing: a wait let this call in
        throw PortError(PortErrors::NotOpen, text(kStillClosing, {}));
    const PortPath where = m_resolver ? m_resolver(m_comPort) : PortPath{};
    m_missing = false;
    if (!where.error.isEmpty() || where.path.isEmpty()) {
        if (where.mappedPath.startsWith(QLatin1Char('/')) && !QFileInfo::exists(where.mappedPath))
            noteMissing(where);
        throw PortError(PortErrors::NoDevice, where.error.isEmpty()
                                                  ? text(kNoDevice, {QString::number(m_comPort)})
                                                  : where.error);
    }
    // Messages name the device as the user mapped it, not the kernel's name.
    const QString name = where.mappedPath.isEmpty() ? where.path : where.mappedPath;

    const QByteArray path = where.path.toLocal8Bit();
    const int handle = m_calls->open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (handle < 0) {
        const int err = errno;
        if (err == ENOENT && !where.mappedPath.isEmpty())
            noteMissing(where); // gone since the entry was looked up
        throw openFailure(err, name);
    }
    FdGuard guard(handle);
    if (!::isatty(handle))
        throw PortError(ENOTTY, text(kNotSerial, {name}));
    if (::flock(handle, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EWOULDBLOCK)
            throw PortError(EBUSY, text(kBusy, {name}));
        throw PortError(err, PortText::withSystemText(language(), kCannotLock, {name}, err));
    }
    ::ioctl(handle, TIOCEXCL); // keeps out other non-root openers; the lock covers the rest

    auto saved = std::make_unique<SavedAttributes>();
    if (::tcgetattr(handle, &saved->attributes) != 0) {
        const int err = errno;
        throw PortError(err,
                        PortText::withSystemText(language(), kCannotReadSettings, {name}, err));
    }
    saved->baudKnown = termios2_getBaud(handle, &saved->baud) == 0;

    m_fd = handle;
    ++m_generation;
    m_path = where.path;
    m_opened = where;
    m_openedAs = m_comPort;
    m_identityKnown = true;
    m_saved = std::move(saved);
    m_goneErrno = 0;
    m_backlog.clear();
    try {
        applyLineAttributes(m_fd, m_settings, m_handshake, language());
        setModemLine(TIOCM_DTR, m_dtr);
        setModemLine(TIOCM_RTS, m_rts);
    } catch (...) {
        guard.release();
        close(DrainWait::Sleeping);
        throw;
    }
    guard.release();
    // What the system kept for the device while the port was closed is not
    // what the user opened it to hear: a real UART hears nothing while
    // closed, and the first [IN] line holds only bytes after the opening.
    m_calls->discardInput(m_fd);

    m_notifier = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
        readAvailable();
        announceArrival();
    });
    updateWatching();
}

void TermiosPort::close(DrainWait wait)
{
    if (m_fd < 0 || m_closing)
        return;
    ++m_generation;
    m_closing = true;
    m_notifier.reset();
    // It may be the notifier whose handler closes the port.
    if (m_roomWatch)
        m_roomWatch.release()->deleteLater();
    m_roomHandler = {};
    for (QSocketNotifier *writeWait : std::as_const(m_writeWaits))
        writeWait->setEnabled(false);
    if (m_goneErrno == 0) {
        try {
            // Characters still queued were logged as sent: they get the time
            // the line needs for them.
            drainOutput(wait);
        } catch (const PortError &) {
            // The device holds the line; what it refused to take is dropped
            // below so that closing cannot hang in the driver.
        }
        m_calls->discardOutput(m_fd);
        if (std::exchange(m_break, false))
            m_calls->setBreak(m_fd, false);
        ::tcsetattr(m_fd, TCSANOW, &m_saved->attributes);
        unsigned int baud = 0;
        if (m_saved->baudKnown && termios2_getBaud(m_fd, &baud) == 0 && baud != m_saved->baud)
            termios2_setBaud(m_fd, m_saved->baud);
        ::ioctl(m_fd, TIOCNXCL);
    }
    ::close(m_fd); // releases the lock too
    m_fd = -1;
    m_break = false;
    m_closing = false;
    m_saved.reset();
    m_backlog.clear();
    m_goneErrno = 0;
}

QString TermiosPort::devicePath() const
{
    return m_opened.mappedPath.isEmpty() ? m_opened.path : m_opened.mappedPath;
}

// The entry whose device the opening did not find becomes the one to wait
// for; a device opened before under the same entry and number keeps its
// identity, so a kernel name still needs the same USB serial number.
void TermiosPort::noteMissing(const PortPath &where)
{
    const bool sameEntry = where.mappedPath == m_opened.mappedPath && m_comPort == m_openedAs;
    if (!sameEntry) {
        m_opened = PortPath{QString(), QString(), where.mappedPath, QString()};
        m_openedAs = m_comPort;
        m_identityKnown = false;
    }
    m_missing = true;
}

QString TermiosPort::awaitablePath() const
{
    // A pseudo-terminal's number goes to the next program that asks for one.
    if (!m_missing || m_opened.mappedPath.startsWith(QLatin1String("/dev/pts/")))
        return {};
    return m_opened.mappedPath;
}

bool TermiosPort::sameDeviceBack()
{
    if (m_fd >= 0 || !m_resolver || devicePath().isEmpty())
        return false;
    // A pseudo-terminal named by its number never comes back: the number goes
    // to the next program that asks for one, and nothing tells them apart.
    if (devicePath().startsWith(QLatin1String("/dev/pts/")))
        return false;
    const PortPath now = m_resolver(m_openedAs);
    return now.error.isEmpty() && !now.path.isEmpty() && now.mappedPath == m_opened.mappedPath &&
           (!m_identityKnown || now.identity == m_opened.identity) &&
           (!now.mappedPath.isEmpty() || now.path == m_opened.path);
}

PortError TermiosPort::openFailure(int err, const QString &name) const
{
    switch (err) {
    case EBUSY:
        return PortError(err, text(kBusy, {name}));
    case EACCES:
    case EPERM:
        return PortError(err, text(kNoPermission, {name}));
    case ENOENT:
    case ENXIO:
    case ENODEV:
        return PortError(err, text(kPathNotPresent, {name}));
    case EISDIR:
        return PortError(err, text(kNotSerial, {name}));
    default:
        return PortError(err, PortText::withSystemText(language(), kCannotOpen, {name}, err));
    }
}

QString TermiosPort::text(qint32 id, const QStringList &params) const
{
    return PortText::text(language(), id, params);
}

quint8 TermiosPort::language() const
{
    return m_language ? m_language() : 1;
}

void TermiosPort::requireOpen() const
{
    if (m_fd < 0 || m_closing)
        throw PortError(PortErrors::NotOpen, text(kNotOpen, {}));
}

void TermiosPort::requireDevice() const
{
    if (m_goneErrno != 0)
        throwGone();
}

void TermiosPort::throwGone() const
{
    throw PortError(m_goneErrno, goneReason());
}

QString TermiosPort::goneReason() const
{
    return deviceGone() ? text(kGone, {devicePath()}) : QString();
}

void TermiosPort::markGone(int err)
{
    m_goneErrno = err != 0 ? err : PortErrors::DeviceGone;
    updateWatching();
}

void TermiosPort::readAvailable()
{
    if (m_fd < 0 || m_goneErrno != 0)
        return;
    // A device that sends as fast as it is read (a flood on a second core)
    // would keep this loop going until the backlog is full; a bounded slice
    // lets the window's events run in between, and the watcher comes back for
    // the rest.
    char buffer[64 * 1024];
    qsizetype slice = kReadSliceBytes;
    while (!m_backlog.full() && slice > 0) {
        const qsizetype room = std::min<qsizetype>(sizeof buffer, m_backlog.room());
        const ssize_t n = ::read(m_fd, buffer, size_t(room));
        if (n > 0) {
            m_backlog.append(buffer, n);
            slice -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // With VMIN 1 an empty read is a hang-up, like EIO.
        markGone(n == 0 ? 0 : errno);
        return;
    }
    updateWatching();
}

void TermiosPort::updateWatching()
{
    if (!m_notifier)
        return;
    const bool watch = m_watchArrivals && m_goneErrno == 0 && !m_backlog.full();
    if (m_notifier->isEnabled() != watch)
        m_notifier->setEnabled(watch);
}

void TermiosPort::applyLine(const PortSettings &settings, Handshake handshake)
{
    requireDevice();
    try {
        applyLineAttributes(m_fd, settings, handshake, language());
    } catch (const PortError &) {
        try {
            applyLineAttributes(m_fd, m_settings, m_handshake, language());
        } catch (const PortError &) {
            // The device took neither; the first refusal is the one to report.
        }
        throw;
    }
}

void TermiosPort::setModemLine(int line, bool on)
{
    if (m_calls->setModemLine(m_fd, line, on) == 0)
        return;
    const int err = errno;
    if (err == ENOTTY || err == EINVAL)
        return; // no modem lines on this device (a pseudo-terminal, say)
    lineFailure(err, line == TIOCM_DTR ? QStringLiteral("DTR") : QStringLiteral("RTS"));
}

void TermiosPort::lineFailure(int err, const QString &line)
{
    if (isHangup(err)) {
        markGone(err);
        throwGone();
    }
    throw PortError(err, PortText::withSystemText(language(), kCannotSetLine, {line}, err));
}

void TermiosPort::writeAll(const QByteArray &bytes)
{
    qsizetype done = 0;
    auto deadline = m_calls->now() + m_writeTimeout;
    bool stalledAfterReady = false;
    while (done < bytes.size()) {
        const ssize_t n = m_calls->write(m_fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            deadline = m_calls->now() + m_writeTimeout; // the limit is on a stall
            stalledAfterReady = false;
            continue;
        }
        const int err = n < 0 ? errno : EAGAIN;
        if (err == EINTR)
            continue;
        if (err == EAGAIN || err == EWOULDBLOCK) {
            waitWritable(deadline, stalledAfterReady);
            continue;
        }
        if (isHangup(err)) {
            markGone(err);
            throwGone();
        }
        throw PortError(err,
                        PortText::withSystemText(language(), kWriteFailed, {devicePath()}, err));
    }
}

// Waits for room in the output in slices, reading arrivals in between so the
// receive side keeps up; never spins, even with a driver that reports room
// it then refuses.
void TermiosPort::waitWritable(Clock::time_point deadline, bool &stalledAfterReady)
{
    const Clock::time_point now = m_calls->now();
    if (now >= deadline)
        throw PortError(PortErrors::WriteTimeout, text(kHeld, {}));
    const quint64 generation = m_generation;
    pauseWithEvents(std::min(remainingMs(now, deadline), pollSliceMs), !stalledAfterReady,
                    QEventLoop::AllEvents);
    if (generation != m_generation)
        throw PortError(PortErrors::NotOpen, text(kClosedWhileSending, {}));
    pollfd watch{m_fd, POLLOUT, 0};
    const int ready = ::poll(&watch, 1, 0);
    readAvailable();
    if (m_goneErrno != 0)
        throwGone();
    if (ready > 0 && (watch.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        markGone(0);
        throwGone();
    }
    stalledAfterReady = ready > 0;
}

// Lets the window's events run while the device holds the line, so a long
// flow-control stop does not freeze the program; without an application
// (tools, some tests) it simply sleeps.
void TermiosPort::pauseWithEvents(int ms, bool untilWritable, QEventLoop::ProcessEventsFlags flags)
{
    ms = std::max(ms, 1);
    if (!QCoreApplication::instance()) {
        pollfd watch{m_fd, POLLOUT, 0};
        ::poll(untilWritable ? &watch : nullptr, untilWritable ? 1 : 0, ms);
        return;
    }
    QEventLoop loop;
    std::unique_ptr<QSocketNotifier> writable;
    if (untilWritable) {
        writable = std::make_unique<QSocketNotifier>(m_fd, QSocketNotifier::Write);
        QObject::connect(writable.get(), &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        m_writeWaits.append(writable.get());
    }
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec(flags);
    if (writable)
        m_writeWaits.removeOne(writable.get());
}

// Waits until the characters queued for the line have left. The limit
// follows the line time of what is queued when the wait begins, so a long
// text at a low rate is given its time, and a device that holds the line
// (flow control) still cannot keep the program waiting for more than a
// minute.
void TermiosPort::drainOutput(DrainWait wait)
{
    int waiting = queuedOutput();
    const Clock::time_point deadline = m_calls->now() + drainLimit(waiting, m_settings);
    const qint64 halfBits = halfBitsPerCharacter(m_settings);
    while (waiting > 0) {
        if (m_calls->now() >= deadline)
            throw PortError(PortErrors::WriteTimeout, text(kHeld, {}));
        // About the time the waiting characters need, 1 to 20 ms.
        const qint64 lineMs = waiting * halfBits * 500 / std::max(m_settings.baud, 1);
        const int ms = int(std::clamp<qint64>(lineMs, 1, 20));
        if (wait == DrainWait::Sleeping) {
            ::poll(nullptr, 0, ms);
        } else {
            const quint64 generation = m_generation;
            pauseWithEvents(ms, false,
                            wait == DrainWait::EventsRun ? QEventLoop::AllEvents
                                                         : QEventLoop::ExcludeUserInputEvents);
            if (generation != m_generation)
                throw PortError(PortErrors::NotOpen, text(kClosedWhileSending, {}));
        }
        waiting = queuedOutput();
    }
    // What is left sits in the transmitter; the driver bounds this wait.
    while (m_calls->drain(m_fd) != 0 && errno == EINTR) {
    }
}

// A device that cannot tell counts as drained; the drain call still waits
// for its transmitter.
int TermiosPort::queuedOutput()
{
    int waiting = 0;
    return m_calls->queuedOutput(m_fd, &waiting) == 0 ? std::max(waiting, 0) : 0;
}
