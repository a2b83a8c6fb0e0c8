#include "ports/NetworkPort.h"

#include "ports/LineTime.h"
#include "ports/PortErrors.h"
#include "ports/TcpConnect.h"
#include "host/WaitMilliseconds.h"
#include "host/PortAddress.h"
#include "text/Codec.h"
#include "text/StringTable.h"
#include "text/modFormat.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr qint32 kConnecting = 1900;
constexpr qint32 kRefused = 1901;
constexpr qint32 kUnreachable = 1902;
constexpr qint32 kNameNotFound = 1903;
constexpr qint32 kNoAnswer = 1904;
constexpr qint32 kBusy = 1905;
constexpr qint32 kBusySaying = 1906;
constexpr qint32 kLost = 1907;
constexpr qint32 kClosedBeforeSettings = 1908;
constexpr qint32 kNoSerialControl = 1909;
constexpr qint32 kSettingRefused = 1910;
constexpr qint32 kBothHandshakes = 1916;
constexpr qint32 kNoDevice = 1826;

constexpr qsizetype kReadSliceBytes = 256 * 1024;
constexpr qsizetype kMostQueued = 64 * 1024; // beyond this a write waits for the server
constexpr qsizetype kMostServerText = 120;
constexpr milliseconds kLeastSettle{200};
constexpr milliseconds kClosingFlush{2000};

QString systemText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// What a server said before it closed the connection, fit for a message:
// printable characters only, white space run together.
QString serverText(const QByteArray &said)
{
    QString text;
    for (const char byte : said) {
        const auto c = static_cast<unsigned char>(byte);
        if (c >= 0x20 && c < 0x7F)
            text.append(QLatin1Char(char(c)));
        else if (!text.endsWith(u' '))
            text.append(u' ');
    }
    return text.simplified().left(kMostServerText);
}

// Tells the wait handler that a wait begins, and that it is over however it
// ends.
class WaitReport {
public:
    WaitReport(const std::function<void(const QString &)> &handler, const QString &text)
        : m_handler(handler)
    {
        if (m_handler)
            m_handler(text);
    }
    ~WaitReport()
    {
        if (m_handler)
            m_handler(QString());
    }
    WaitReport(const WaitReport &) = delete;
    WaitReport &operator=(const WaitReport &) = delete;

private:
    std::function<void(const QString &)> m_handler; // a copy: the port may be given another meanwhile
};

void keepAlive(int fd)
{
    // A server that vanishes without closing (a cable pulled, a machine
    // switched off) is noticed after about half a minute of silence, or of
    // sent data left unacknowledged; the kernel does the probing.
    const int on = 1;
    const int idleSeconds = 10;
    const int intervalSeconds = 5;
    const int probes = 3;
    const unsigned int unacknowledgedMs = 30000;
    ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
    ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
    ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledgedMs, sizeof unacknowledgedMs);
    // Characters go out one at a time; none may wait for the one before to
    // be acknowledged.
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

} // namespace

// Enters a wait into the port's list for as long as it runs, so that arrivals
// wake it and closing cancels it.
class NetworkPort::WaitEntry {
public:
    WaitEntry(NetworkPort &port, EventWait &wait) : m_port(port), m_wait(wait)
    {
        m_port.m_waits.append(&m_wait);
        m_port.updateWatching();
    }
    ~WaitEntry()
    {
        m_port.m_waits.removeOne(&m_wait);
        m_port.updateWatching();
    }
    WaitEntry(const WaitEntry &) = delete;
    WaitEntry &operator=(const WaitEntry &) = delete;

private:
    NetworkPort &m_port;
    EventWait &m_wait;
};

NetworkPort::NetworkPort(PortPathResolver resolver, LanguageSource language)
    : m_resolver(std::move(resolver)), m_language(std::move(language))
{
}

// The window is going away: nothing may wait any more.
NetworkPort::~NetworkPort()
{
    cancelWaits();
    if (m_state == State::Open)
        close(false);
}

void NetworkPort::setPortOpen(bool open)
{
    if (open && !PortOpen())
        this->open();
    else if (!open && m_state == State::Opening)
        cancelWaits(); // the opening in progress ends with an error
    else if (!open && m_state == State::Open)
        close(true);
}

void NetworkPort::setCommPort(qint16 n)
{
    if (m_state != State::Closed)
        throw PortError(PortErrors::AlreadyOpen,
                        QStringLiteral("the port number cannot change while the port is open"));
    if (n < 1)
        throw PortError(PortErrors::InvalidPortNumber,
                        QStringLiteral("invalid port number %1").arg(n));
    m_comPort = n;
}

void NetworkPort::setSettings(const QString &settings)
{
    const PortSettings parsed = parsePortSettings(settings);
    if (PortOpen() && m_rfc2217)
        applyRemote(&parsed, std::nullopt);
    m_settings = parsed;
}

void NetworkPort::setInBufferSize(qint16 size)
{
    m_backlog.setInBufferSize(size);
}

void NetworkPort::setInputLen(qint16 len)
{
    m_backlog.setInputLen(len);
}

void NetworkPort::setHandshaking(qint32 mode)
{
    const Handshake handshake = handshakeFromMode(mode);
    if (PortOpen() && m_rfc2217) {
        const std::optional<unsigned char> flow = Rfc2217::flowControlOf(handshake);
        if (!flow)
            throw PortError(PortErrors::UnsupportedHandshake, text(kBothHandshakes, {m_name}));
        applyRemote(nullptr, flow);
    }
    m_handshake = handshake;
}

void NetworkPort::setDTREnable(bool enable)
{
    if (PortOpen() && m_rfc2217) {
        requireConnection();
        send(Rfc2217::controlCommand(enable ? Rfc2217::kDtrOn : Rfc2217::kDtrOff));
    }
    m_dtr = enable;
}

void NetworkPort::setRTSEnable(bool enable)
{
    if (PortOpen() && m_rfc2217) {
        requireConnection();
        // The server cannot tell when its output has drained: RTS stays up
        // for the line time of what was sent, as a half-duplex line needs.
        if (!enable) {
            try {
                waitForLine();
            } catch (const PortError &) {
                // Left raised, RTS would hold a half-duplex line in transmit.
                if (m_state == State::Open && m_goneErrno == 0)
                    send(Rfc2217::controlCommand(Rfc2217::kRtsOff));
                m_rts = false;
                throw;
            }
        }
        send(Rfc2217::controlCommand(enable ? Rfc2217::kRtsOn : Rfc2217::kRtsOff));
    }
    m_rts = enable;
}

void NetworkPort::setOutput(const QString &chars)
{
    requireOpen();
    const std::optional<QByteArray> bytes = Codec::toBytes(chars);
    if (!bytes)
        throw PortError(PortErrors::CharacterWithoutByte,
                        QStringLiteral("a character to send has no byte in the character set"));
    requireConnection();
    waitForRoom();
    send(m_rfc2217 ? TelnetCodec::escape(*bytes) : *bytes);
    if (m_goneErrno != 0)
        throwGone();
    const Clock::time_point now = Clock::now();
    m_lineFreeAt = std::max(m_lineFreeAt, now) +
                   std::chrono::nanoseconds(bytes->size() * nsPerCharacter());
}

void NetworkPort::refill()
{
    requireOpen();
    readAvailable();
    if (m_backlog.isEmpty() && m_goneErrno != 0)
        throwGone();
}

bool NetworkPort::sameDeviceBack()
{
    if (m_state != State::Closed || !m_resolver || m_entry.isEmpty())
        return false;
    const PortPath now = m_resolver(m_openedAs);
    const QString entry = now.mappedPath.isEmpty() ? now.path : now.mappedPath;
    return now.error.isEmpty() && entry == m_entry;
}

void NetworkPort::setBacklogCap(qsizetype bytes)
{
    m_backlog.setCap(bytes);
    updateWatching();
}

bool NetworkPort::watchingConnection() const { return m_readable && m_readable->isEnabled(); }

void NetworkPort::open()
{
    if (m_state != State::Closed) // an opening or closing let this call in
        throw PortError(PortErrors::NotOpen, QStringLiteral("the port is still opening or closing"));
    const PortPath where = m_resolver ? m_resolver(m_comPort) : PortPath{};
    const std::optional<PortAddress> address = PortAddress::parse(where.path);
    if (!where.error.isEmpty() || !address || address->kind == PortAddress::Kind::Loop)
        throw PortError(PortErrors::NoDevice,
                        where.error.isEmpty() ? text(kNoDevice, {QString::number(m_comPort)})
                                              : where.error);
    m_name = address->hostAndPort();
    m_rfc2217 = address->kind == PortAddress::Kind::Rfc2217;
    m_unreachable = false;
    std::optional<unsigned char> flow;
    if (m_rfc2217) {
        flow = Rfc2217::flowControlOf(m_handshake);
        if (!flow)
            throw PortError(PortErrors::UnsupportedHandshake, text(kBothHandshakes, {m_name}));
    }

    m_state = State::Opening;
    ++m_generation;
    try {
        const WaitReport report(m_waitHandler, text(kConnecting, {m_name}));
        EventWait wait(QDeadlineTimer(kOpeningLimit, Qt::PreciseTimer));
        const WaitEntry entry(*this, wait);
        const Clock::time_point started = Clock::now();
        const TcpConnection connection = connectTcp(address->host, address->port, wait);
        m_unreachable = connection.failure == TcpConnection::Failure::NameNotFound ||
                        connection.failure == TcpConnection::Failure::Refused ||
                        connection.failure == TcpConnection::Failure::Unreachable ||
                        connection.failure == TcpConnection::Failure::TimedOut;
        switch (connection.failure) {
        case TcpConnection::Failure::None:
            break;
        case TcpConnection::Failure::NameNotFound:
            throw PortError(PortErrors::NameNotFound, text(kNameNotFound, {m_name}));
        case TcpConnection::Failure::Refused:
            throw PortError(ECONNREFUSED, text(kRefused, {m_name}));
        case TcpConnection::Failure::Unreachable:
            throw PortError(connection.error, text(kUnreachable, {m_name}));
        case TcpConnection::Failure::TimedOut:
            throw PortError(ETIMEDOUT, text(kNoAnswer, {m_name}));
        case TcpConnection::Failure::Cancelled:
            throw PortError(PortErrors::NotOpen, QStringLiteral("the opening was cancelled"));
        case TcpConnection::Failure::Other:
            throw PortError(connection.error, QStringLiteral("cannot connect to %1: %2")
                                                  .arg(m_name, systemText(connection.error)));
        }
        adopt(connection.fd);
        if (m_rfc2217)
            negotiate(wait, *flow);
        else
            settle(wait, std::chrono::duration_cast<milliseconds>(Clock::now() - started));
    } catch (...) {
        dropConnection();
        m_state = State::Closed;
        // A server that could not be reached may be there later: its
        // address is the one to try again.
        if (m_unreachable) {
            m_entry = where.mappedPath.isEmpty() ? where.path : where.mappedPath;
            m_openedAs = m_comPort;
        }
        throw;
    }
    m_state = State::Open;
    m_entry = where.mappedPath.isEmpty() ? where.path : where.mappedPath;
    m_openedAs = m_comPort;
    m_openingData.clear();
    updateWatching();
}

void NetworkPort::adopt(int fd)
{
    m_fd = fd;
    keepAlive(fd);
    m_connectedAt = Clock::now();
    m_lineFreeAt = m_connectedAt;
    m_goneErrno = 0;
    m_telnet = TelnetCodec();
    m_answers = {};
    m_suspended = false;
    m_out.clear();
    m_openingData.clear();
    m_backlog.clear();
    m_readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(m_readable.get(), &QSocketNotifier::activated, m_readable.get(), [this] {
        const qsizetype before = m_backlog.size();
        const bool wasGone = m_goneErrno != 0;
        readAvailable();
        const bool news = m_backlog.size() != before || (m_goneErrno != 0) != wasGone;
        if (news && m_state == State::Open)
            announceArrival();
    });
    m_writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
    m_writable->setEnabled(false);
    QObject::connect(m_writable.get(), &QSocketNotifier::activated, m_writable.get(), [this] {
        flushOut();
        wakeWaits();
    });
    updateWatching();
}

// The Telnet options first, then the settings, all answered by the server
// before the port counts as open; DTR and RTS need no answer.
void NetworkPort::negotiate(EventWait &wait, unsigned char flowControl)
{
    send(m_telnet.greeting());
    waitFor(wait, [this] { return m_telnet.comPortControl() != TelnetCodec::Agreement::Pending; });
    if (m_telnet.comPortControl() == TelnetCodec::Agreement::No)
        throw PortError(PortErrors::NoSerialControl, text(kNoSerialControl, {m_name}));
    m_answers = {};
    send(Rfc2217::lineCommands(m_settings) + Rfc2217::controlCommand(flowControl));
    waitFor(wait, [this] { return m_answers.lineAnswered() && m_answers.flowControl.has_value(); });
    if (const auto refused = Rfc2217::refusedLine(m_settings, m_answers))
        throw refusal(*refused);
    if (const auto refused = Rfc2217::refusedFlowControl(flowControl, m_answers))
        throw refusal(*refused);
    // The line and modem states are of no use here; notices of their
    // changes would only wake the program.
    const QByteArray none(1, '\0');
    send(Rfc2217::controlCommand(m_dtr ? Rfc2217::kDtrOn : Rfc2217::kDtrOff) +
         Rfc2217::controlCommand(m_rts ? Rfc2217::kRtsOn : Rfc2217::kRtsOff) +
         TelnetCodec::comPortCommand(Rfc2217::kSetLinestateMask, none) +
         TelnetCodec::comPortCommand(Rfc2217::kSetModemstateMask, none));
}

// A plain TCP server says nothing when all is well; a busy one closes at
// once. The wait for that close follows the time the connection took.
void NetworkPort::settle(EventWait &wait, milliseconds connectTime)
{
    const milliseconds settleTime = std::clamp(connectTime * 4, kLeastSettle, kBusyWithin);
    QDeadlineTimer deadline(settleTime, Qt::PreciseTimer);
    if (wait.deadline() < deadline)
        deadline = wait.deadline();
    EventWait settling(deadline);
    const WaitEntry entry(*this, settling);
    waitFor(settling, [] { return false; });
}

// Runs the window's events until `done`, or the end of the wait: the
// server's close, the deadline, a cancel. Only the settling of a plain TCP
// opening, which waits for nothing, ends well at its deadline.
void NetworkPort::waitFor(EventWait &wait, const std::function<bool()> &done)
{
    const quint64 generation = m_generation;
    for (;;) {
        if (m_goneErrno != 0)
            throw m_state == State::Opening ? closedWhileOpening() : PortError(m_goneErrno, text(kLost, {m_name}));
        if (done())
            return;
        const EventWait::End end = wait.wait();
        if (end == EventWait::End::Cancelled || generation != m_generation)
            throw PortError(PortErrors::NotOpen, m_state == State::Opening
                                                     ? QStringLiteral("the opening was cancelled")
                                                     : QStringLiteral("the port was closed"));
        if (end == EventWait::End::Expired) {
            readAvailable();
            if (m_goneErrno != 0)
                continue; // reported above
            if (done() || (m_state == State::Opening && !m_rfc2217))
                return;
            throw PortError(ETIMEDOUT, text(kNoAnswer, {m_name}));
        }
    }
}

PortError NetworkPort::closedWhileOpening() const
{
    if (Clock::now() - m_connectedAt > kBusyWithin)
        return PortError(m_goneErrno, text(kClosedBeforeSettings, {m_name}));
    const QString said = serverText(m_openingData);
    return PortError(EBUSY, said.isEmpty() ? text(kBusy, {m_name}) : text(kBusySaying, {m_name, said}));
}

PortError NetworkPort::refusal(const Rfc2217::Refusal &refused) const
{
    const quint8 language = m_language ? m_language() : 1;
    return PortError(PortErrors::UnsupportedSetting,
                     text(kSettingRefused, {m_name, fkt_ToolsGetResString(refused.settingNameId, language),
                                            refused.wanted, refused.answered}));
}

// Sets what changed on the remote port and waits for the answers; a value
// the server does not take is set back.
void NetworkPort::applyRemote(const PortSettings *line, std::optional<unsigned char> flowControl)
{
    requireConnection();
    m_answers = {};
    QByteArray commands;
    if (line)
        commands += Rfc2217::lineCommands(*line);
    if (flowControl)
        commands += Rfc2217::controlCommand(*flowControl);
    send(commands);
    EventWait wait(QDeadlineTimer(kOpeningLimit, Qt::PreciseTimer));
    const WaitEntry entry(*this, wait);
    waitFor(wait, [this, line, flowControl] {
        return (!line || m_answers.lineAnswered()) &&
               (!flowControl || m_answers.flowControl.has_value());
    });
    std::optional<Rfc2217::Refusal> refused;
    if (line)
        refused = Rfc2217::refusedLine(*line, m_answers);
    if (!refused && flowControl)
        refused = Rfc2217::refusedFlowControl(*flowControl, m_answers);
    if (!refused)
        return;
    if (line)
        send(Rfc2217::lineCommands(m_settings));
    if (flowControl)
        send(Rfc2217::controlCommand(*Rfc2217::flowControlOf(m_handshake)));
    throw refusal(*refused);
}

void NetworkPort::close(bool eventsRun)
{
    if (m_state != State::Open)
        return;
    m_state = State::Closing;
    ++m_generation;
    cancelWaits(); // a write or RTS wait of an outer call ends
    m_readable.reset();
    if (eventsRun && m_goneErrno == 0 && !m_out.isEmpty()) {
        // What was logged as sent is given a moment to leave.
        EventWait wait(QDeadlineTimer(kClosingFlush, Qt::PreciseTimer));
        const WaitEntry entry(*this, wait);
        while (!m_out.isEmpty() && m_goneErrno == 0 &&
               wait.wait(QEventLoop::ExcludeUserInputEvents) == EventWait::End::Woken) {
        }
    }
    dropConnection();
    m_state = State::Closed;
}

void NetworkPort::dropConnection()
{
    m_readable.reset();
    m_writable.reset();
    if (m_fd >= 0) {
        if (m_goneErrno == 0) {
            flushOut();
            // Unread input would make closing reset the connection, and the
            // server could drop what it was sent last.
            char buffer[4096];
            for (int i = 0; i < 64 && ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0; ++i) {
            }
            ::shutdown(m_fd, SHUT_WR);
        }
        ::close(m_fd);
    }
    m_fd = -1;
    m_goneErrno = 0;
    m_out.clear();
    m_backlog.clear();
    m_suspended = false;
}

void NetworkPort::readAvailable()
{
    if (m_fd < 0 || m_goneErrno != 0) {
        wakeWaits();
        return;
    }
    // A bounded slice lets the window's events run during a flood; the
    // watcher comes back for the rest.
    char buffer[64 * 1024];
    qsizetype slice = kReadSliceBytes;
    while (m_goneErrno == 0 && !m_backlog.full() && slice > 0) {
        const qsizetype room = std::min<qsizetype>(sizeof buffer, m_backlog.room());
        const ssize_t n = ::recv(m_fd, buffer, size_t(room), MSG_DONTWAIT);
        if (n > 0) {
            take(buffer, n);
            slice -= n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        markGone(n == 0 ? 0 : errno);
        break;
    }
    updateWatching();
    wakeWaits();
}

void NetworkPort::take(const char *bytes, qsizetype size)
{
    if (!m_rfc2217) {
        m_backlog.append(bytes, size);
        if (m_state == State::Opening)
            m_openingData.append(bytes, std::min<qsizetype>(size, kMostServerText));
        return;
    }
    TelnetCodec::Decoded decoded;
    m_telnet.decode(bytes, size, decoded);
    if (!decoded.reply.isEmpty())
        send(decoded.reply);
    for (const QByteArray &subnegotiation : std::as_const(decoded.comPort)) {
        switch (Rfc2217::take(subnegotiation, m_answers)) {
        case Rfc2217::Notice::Suspend:
            m_suspended = true;
            break;
        case Rfc2217::Notice::Resume:
            m_suspended = false;
            break;
        case Rfc2217::Notice::None:
            break;
        }
    }
    if (decoded.data.isEmpty())
        return;
    m_backlog.append(decoded.data.constData(), decoded.data.size());
    if (m_state == State::Opening && m_openingData.size() < kMostServerText)
        m_openingData.append(decoded.data.left(kMostServerText));
}

void NetworkPort::send(const QByteArray &bytes)
{
    if (m_fd < 0 || m_goneErrno != 0)
        return;
    m_out.append(bytes);
    flushOut();
}

void NetworkPort::flushOut()
{
    qsizetype done = 0;
    while (m_fd >= 0 && m_goneErrno == 0 && done < m_out.size()) {
        const ssize_t n = ::send(m_fd, m_out.constData() + done, size_t(m_out.size() - done),
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        markGone(n < 0 ? errno : 0);
    }
    m_out.remove(0, done);
    if (m_writable)
        m_writable->setEnabled(!m_out.isEmpty() && m_goneErrno == 0);
}

// Waits while the server holds what it is sent (its flow control, or a full
// connection); the limit is on a stall, as for a local device.
void NetworkPort::waitForRoom()
{
    const quint64 generation = m_generation;
    qsizetype queued = m_out.size();
    QDeadlineTimer stall(m_writeTimeout, Qt::PreciseTimer);
    while (m_suspended || m_out.size() >= kMostQueued) {
        EventWait wait(stall);
        const WaitEntry entry(*this, wait);
        const EventWait::End end = wait.wait();
        if (end == EventWait::End::Cancelled || generation != m_generation)
            throw PortError(PortErrors::NotOpen,
                            QStringLiteral("the port was closed while waiting to send"));
        readAvailable();
        if (m_goneErrno != 0)
            throwGone();
        if (m_out.size() < queued) {
            queued = m_out.size();
            stall = QDeadlineTimer(m_writeTimeout, Qt::PreciseTimer);
        } else if (end == EventWait::End::Expired) {
            throw PortError(PortErrors::WriteTimeout,
                            QStringLiteral("write timed out: the server takes nothing"));
        }
    }
}

void NetworkPort::waitForLine()
{
    const auto left = m_lineFreeAt - Clock::now();
    if (left <= Clock::duration::zero())
        return;
    const quint64 generation = m_generation;
    EventWait wait(QDeadlineTimer(std::chrono::duration_cast<std::chrono::nanoseconds>(left),
                                  Qt::PreciseTimer));
    const WaitEntry entry(*this, wait);
    for (;;) {
        const EventWait::End end = wait.wait();
        if (end == EventWait::End::Cancelled || generation != m_generation)
            throw PortError(PortErrors::NotOpen,
                            QStringLiteral("the port was closed while waiting to send"));
        if (m_goneErrno != 0)
            throwGone();
        if (end == EventWait::End::Expired)
            return;
    }
}

void NetworkPort::updateWatching()
{
    if (!m_readable)
        return;
    // A wait for answers reads whatever the arrival watch says.
    const bool watch = m_goneErrno == 0 && !m_backlog.full() &&
                       (m_watchArrivals || m_state == State::Opening || !m_waits.isEmpty());
    if (m_readable->isEnabled() != watch)
        m_readable->setEnabled(watch);
}

void NetworkPort::wakeWaits()
{
    for (EventWait *wait : std::as_const(m_waits))
        wait->wake();
}

void NetworkPort::cancelWaits()
{
    for (EventWait *wait : std::as_const(m_waits))
        wait->cancel();
}

void NetworkPort::markGone(int err)
{
    m_goneErrno = err != 0 ? err : PortErrors::DeviceGone;
    if (m_writable)
        m_writable->setEnabled(false);
    updateWatching();
}

void NetworkPort::requireOpen() const
{
    if (m_state != State::Open)
        throw PortError(PortErrors::NotOpen, QStringLiteral("port is not open"));
}

void NetworkPort::requireConnection() const
{
    if (m_goneErrno != 0)
        throwGone();
}

void NetworkPort::throwGone() const
{
    throw PortError(m_goneErrno, text(kLost, {m_name}));
}

QString NetworkPort::text(qint32 id, const QStringList &params) const
{
    return fkt_FormatInsertParam(fkt_ToolsGetResString(id, m_language ? m_language() : 1), params);
}

qint64 NetworkPort::nsPerCharacter() const
{
    return qint64(halfBitsPerCharacter(m_settings)) * 500'000'000 / std::max(m_settings.baud, 1);
}
