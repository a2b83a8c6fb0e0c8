#include "ports/NetworkPort.h"

#include "host/PortAddress.h"
#include "host/WaitMilliseconds.h"
#include "ports/LineTime.h"
#include "ports/PortErrors.h"
#include "ports/PortText.h"
#include "ports/TcpConnect.h"
#include "text/Codec.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
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
constexpr qint32 kClosedAfterSettings = 2000;
constexpr qint32 kRefusedAndClosed = 2001;
constexpr qint32 kSettingUnanswered = 2002;
constexpr qint32 kMisbehaves = 2003;
constexpr qint32 kTakesNothing = 2004;
constexpr qint32 kNoInterface = 2006;
constexpr qint32 kNeedsInterface = 2007;
constexpr qint32 kCannotConnect = 2008;
constexpr qint32 kCancelled = 2009;
constexpr qint32 kClosed = 2010;
constexpr qint32 kNotOpen = 2011;
constexpr qint32 kClosedWhileSending = 2012;
constexpr qint32 kNumberWhileOpen = 2013;
constexpr qint32 kInvalidNumber = 2014;
constexpr qint32 kNoByte = 2015;
constexpr qint32 kStillBusy = 2016;
constexpr qint32 kHolds = 2460;

constexpr qsizetype kReadSliceBytes = 256 * 1024;
constexpr qsizetype kMostServerText = 120;
// A command split between two reads: its first two bytes were taken by the
// read before, and its answer comes with the third.
constexpr qsizetype kSplitCommand = 2;
// The program's data goes out in pieces that leave room to one another.
constexpr qsizetype kDataPiece = 16 * 1024;
constexpr milliseconds kLeastSettle{200};
constexpr milliseconds kClosingFlush{2000};

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
    // A transmission goes out in one send, which is then one segment where
    // it fits; with a character delay they go one at a time, and none may
    // wait for the one before to be acknowledged.
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
    m_stall.setSingleShot(true);
    m_stall.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_stall, &QTimer::timeout, &m_stall, [this] { stalled(); });
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
        throw PortError(PortErrors::AlreadyOpen, text(kNumberWhileOpen));
    if (n < 1)
        throw PortError(PortErrors::InvalidPortNumber, text(kInvalidNumber, {QString::number(n)}));
    m_comPort = n;
}

void NetworkPort::setSettings(const QString &settings)
{
    const PortSettings parsed = parsePortSettings(settings, language());
    if (PortOpen() && m_rfc2217)
        applyRemote(&parsed, std::nullopt);
    m_settings = parsed;
}

void NetworkPort::setInBufferSize(qint16 size)
{
    m_backlog.setInBufferSize(size, language());
}

void NetworkPort::setInputLen(qint16 len)
{
    m_backlog.setInputLen(len, language());
}

void NetworkPort::setHandshaking(qint32 mode)
{
    const Handshake handshake = handshakeFromMode(mode, language());
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
                // Left raised, RTS would hold a half-duplex line in transmit;
                // where it cannot go out at once it is not waited for.
                const QByteArray rtsOff = Rfc2217::controlCommand(Rfc2217::kRtsOff);
                if (m_state == State::Open && m_goneErrno == 0 &&
                    m_out.size() + rtsOff.size() <= kMostQueued - kAnswerRoom)
                    send(rtsOff);
                m_rts = false;
                throw;
            }
        }
        send(Rfc2217::controlCommand(enable ? Rfc2217::kRtsOn : Rfc2217::kRtsOff));
    }
    m_rts = enable;
}

void NetworkPort::setBreak(bool on)
{
    requireOpen();
    requireConnection();
    if (m_rfc2217)
        send(Rfc2217::controlCommand(on ? Rfc2217::kBreakOn : Rfc2217::kBreakOff));
}

ModemLines NetworkPort::modemLines()
{
    if (!m_rfc2217 || !PortOpen() || m_goneErrno != 0)
        return {};
    return {true, m_modemInputs};
}

void NetworkPort::setOutput(const QString &chars)
{
    requireOpen();
    const std::optional<QByteArray> bytes = Codec::toBytes(chars);
    if (!bytes)
        throw PortError(PortErrors::CharacterWithoutByte, text(kNoByte));
    requireConnection();
    for (qsizetype at = 0; at < bytes->size(); at += kDataPiece) {
        const QByteArray piece = bytes->mid(at, kDataPiece);
        send(m_rfc2217 ? TelnetCodec::escape(piece) : piece, true);
        if (m_goneErrno != 0)
            throwGone();
    }
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
    // A server given up for its misbehaviour is not tried again by itself.
    if (m_state != State::Closed || !m_resolver || m_entry.isEmpty() || m_givenUp)
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
        throw PortError(PortErrors::NotOpen, text(kStillBusy));
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
            throw PortError(PortErrors::NotOpen, text(kCancelled));
        case TcpConnection::Failure::NoInterface:
            throw PortError(connection.error, text(kNoInterface, {m_name}));
        case TcpConnection::Failure::NeedsInterface:
            throw PortError(connection.error, text(kNeedsInterface, {m_name}));
        case TcpConnection::Failure::Other:
            throw PortError(connection.error, PortText::withSystemText(language(), kCannotConnect,
                                                                       {m_name}, connection.error));
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
    m_givenUp = false;
    m_telnet = TelnetCodec();
    m_answers = {};
    m_modemInputs.reset();
    m_lineAsked = false;
    m_askedFlow.reset();
    setSuspended(false);
    m_out.clear();
    m_mostQueued = 0;
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
    ask(&m_settings, flowControl);
    waitFor(wait, [this] { return m_answers.lineAnswered() && m_answers.flowControl.has_value(); });
    if (const auto refused = Rfc2217::refusedLine(m_settings, m_answers))
        throw refusal(*refused);
    if (const auto refused = Rfc2217::refusedFlowControl(flowControl, m_answers))
        throw refusal(*refused);
    // It took every setting, and closed the connection all the same.
    if (m_goneErrno != 0)
        throw closedWhileOpening();
    m_lineAsked = false;
    m_askedFlow.reset();
    // The line state is of no use here; notices of its changes would only
    // wake the program. The modem lines are shown, so every change of them
    // is asked for.
    send(Rfc2217::controlCommand(m_dtr ? Rfc2217::kDtrOn : Rfc2217::kDtrOff) +
         Rfc2217::controlCommand(m_rts ? Rfc2217::kRtsOn : Rfc2217::kRtsOff) +
         TelnetCodec::comPortCommand(Rfc2217::kSetLinestateMask, QByteArray(1, '\0')) +
         TelnetCodec::comPortCommand(Rfc2217::kSetModemstateMask, QByteArray(1, '\xff')));
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
// opening, which waits for nothing, ends well at its deadline. What the
// server said before it closed counts: an answer read with the close is
// taken.
void NetworkPort::waitFor(EventWait &wait, const std::function<bool()> &done)
{
    const quint64 generation = m_generation;
    for (;;) {
        if (done())
            return;
        if (m_goneErrno != 0)
            throw m_state == State::Opening && !m_givenUp ? closedWhileOpening() : goneError();
        const EventWait::End end = wait.wait();
        if (end == EventWait::End::Cancelled || generation != m_generation)
            throw PortError(PortErrors::NotOpen,
                            text(m_state == State::Opening ? kCancelled : kClosed));
        if (end == EventWait::End::Expired) {
            readAvailable();
            if (m_goneErrno != 0 || done())
                continue; // taken above
            if (m_state == State::Opening && !m_rfc2217)
                return;
            throw unansweredSetting();
        }
    }
}

// Why the server closed the connection while the port opened.
PortError NetworkPort::closedWhileOpening() const
{
    if (m_rfc2217 && m_telnet.comPortControl() == TelnetCodec::Agreement::No)
        return PortError(PortErrors::NoSerialControl, text(kNoSerialControl, {m_name}));
    // It took part in the settings, then left: over the first it did not
    // answer, or after all of them. (An opening asks for all at once.)
    if (m_lineAsked && m_answers.anyAnswered()) {
        const auto left =
            Rfc2217::unanswered(m_lineAsked ? &m_askedLine : nullptr, m_askedFlow, m_answers);
        if (!left)
            return PortError(m_goneErrno, text(kClosedAfterSettings, {m_name}));
        return PortError(
            PortErrors::UnsupportedSetting,
            text(kRefusedAndClosed, {m_name, text(left->settingNameId), left->wanted}));
    }
    // A busy server closes at once: ser2net says so in words, others
    // before they agree to anything.
    const bool atOnce = Clock::now() - m_connectedAt <= kBusyWithin;
    const QString said = serverText(m_openingData);
    if (atOnce && !said.isEmpty())
        return PortError(EBUSY, text(kBusySaying, {m_name, said}));
    if (atOnce && (!m_rfc2217 || m_telnet.comPortControl() == TelnetCodec::Agreement::Pending))
        return PortError(EBUSY, text(kBusy, {m_name}));
    return PortError(m_goneErrno, text(kClosedBeforeSettings, {m_name}));
}

PortError NetworkPort::refusal(const Rfc2217::Refusal &refused) const
{
    return PortError(PortErrors::UnsupportedSetting,
                     text(kSettingRefused,
                          {m_name, text(refused.settingNameId), refused.wanted, refused.answered}));
}

// The wait for answers ran out: the first setting without one is named.
PortError NetworkPort::unansweredSetting() const
{
    const auto left =
        Rfc2217::unanswered(m_lineAsked ? &m_askedLine : nullptr, m_askedFlow, m_answers);
    if (!left)
        return PortError(ETIMEDOUT, text(kNoAnswer, {m_name}));
    return PortError(ETIMEDOUT,
                     text(kSettingUnanswered, {m_name, text(left->settingNameId), left->wanted}));
}

// Sends the setting commands and notes what awaits its answer.
void NetworkPort::ask(const PortSettings *line, std::optional<unsigned char> flowControl)
{
    QByteArray commands;
    if (line)
        commands += Rfc2217::lineCommands(*line);
    if (flowControl)
        commands += Rfc2217::controlCommand(*flowControl);
    m_answers = {};
    m_lineAsked = line != nullptr;
    if (line)
        m_askedLine = *line;
    m_askedFlow = flowControl;
    send(commands);
}

// Sets what changed on the remote port and waits for the answers; a value
// the server does not take is set back.
void NetworkPort::applyRemote(const PortSettings *line, std::optional<unsigned char> flowControl)
{
    requireConnection();
    ask(line, flowControl);
    EventWait wait(QDeadlineTimer(kOpeningLimit, Qt::PreciseTimer));
    const WaitEntry entry(*this, wait);
    waitFor(wait, [this, line, flowControl] {
        return (!line || m_answers.lineAnswered()) &&
               (!flowControl || m_answers.flowControl.has_value());
    });
    m_lineAsked = false;
    m_askedFlow.reset();
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
    m_stall.stop();
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
    m_roomHandler = {};
    m_readable.reset();
    m_writable.reset();
    m_stall.stop();
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
    setSuspended(false);
}

// Room for the answers the next bytes read may ask for: a Telnet answer is
// never longer than the request it answers.
qsizetype NetworkPort::answerRoom() const
{
    if (!m_rfc2217)
        return kMostQueued;
    return std::max<qsizetype>(kMostQueued - m_out.size() - kSplitCommand, 0);
}

qsizetype NetworkPort::readRoom() const
{
    return std::min(m_backlog.room(), answerRoom());
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
    while (m_goneErrno == 0 && slice > 0) {
        const qsizetype room = std::min<qsizetype>(sizeof buffer, readRoom());
        if (room <= 0)
            break;
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
        queue(decoded.reply);
    for (const QByteArray &subnegotiation : std::as_const(decoded.comPort)) {
        if (const auto inputs = Rfc2217::modemInputsOf(subnegotiation)) {
            m_modemInputs = inputs;
            if (m_modemLineHandler)
                m_modemLineHandler();
        }
        switch (Rfc2217::take(subnegotiation, m_answers)) {
        case Rfc2217::Notice::Suspend:
            setSuspended(true);
            break;
        case Rfc2217::Notice::Resume:
            setSuspended(false);
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

// Puts bytes behind what waits for the server: the answers the reading made
// room for, or the program's own once they fit.
void NetworkPort::queue(const QByteArray &bytes)
{
    if (m_fd < 0 || m_goneErrno != 0)
        return;
    m_out.append(bytes);
    m_mostQueued = std::max(m_mostQueued, m_out.size());
    flushOut();
}

// Takes what fits beside the data queued, leaving the answers their room;
// a Telnet escape may double every byte.
qsizetype NetworkPort::writeSome(QByteArrayView bytes)
{
    requireOpen();
    requireConnection();
    if (m_state != State::Open || m_suspended)
        return 0;
    const qsizetype room = kMostQueued - kAnswerRoom - m_out.size();
    const qsizetype taken = std::clamp<qsizetype>(m_rfc2217 ? room / 2 : room, 0, bytes.size());
    if (taken == 0)
        return 0;
    const QByteArray piece = bytes.first(taken).toByteArray();
    queue(m_rfc2217 ? TelnetCodec::escape(piece) : piece);
    if (m_goneErrno != 0)
        throwGone();
    return taken;
}

bool NetworkPort::awaitRoom(std::function<void()> handler)
{
    if (m_fd < 0 || !m_writable)
        return false;
    m_roomHandler = std::move(handler);
    offerRoom();
    return true;
}

// The waiting writer hears of room once half the queue is free again, from
// the event loop (never inside the flush that made it).
void NetworkPort::offerRoom()
{
    if (!m_roomHandler || !m_writable || m_suspended || m_goneErrno != 0 ||
        m_out.size() > (kMostQueued - kAnswerRoom) / 2)
        return;
    QTimer::singleShot(0, m_writable.get(), [this] {
        if (const auto handler = std::exchange(m_roomHandler, {}))
            handler();
    });
}

// The program's own bytes: data (held while the server suspends it) or
// commands. While the port opens only a server that has read nothing at all
// leaves no room for them.
void NetworkPort::send(const QByteArray &bytes, bool data)
{
    if (m_fd < 0 || m_goneErrno != 0)
        return;
    if (m_state == State::Open)
        waitForRoom(bytes.size(), data);
    else if (m_out.size() + bytes.size() > kMostQueued)
        throw PortError(PortErrors::WriteTimeout, text(kTakesNothing, {m_name}));
    queue(bytes);
}

void NetworkPort::flushOut()
{
    qsizetype done = 0;
    while (m_fd >= 0 && m_goneErrno == 0 && done < m_out.size()) {
        const ssize_t n = m_calls->send(m_fd, m_out.constData() + done,
                                        size_t(m_out.size() - done), MSG_NOSIGNAL | MSG_DONTWAIT);
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
    if (done > 0) {
        if (m_stall.isActive())
            m_stall.start(m_stallLimit); // the server takes something after all
        updateWatching();                // room for answers again
        offerRoom();
    }
}

// Waits while the server holds what it is sent (its flow control, or a full
// connection) until `size` more bytes fit; the limit is on a stall, as for a
// local device.
void NetworkPort::waitForRoom(qsizetype size, bool data)
{
    const quint64 generation = m_generation;
    qsizetype queued = m_out.size();
    QDeadlineTimer stall(m_writeTimeout, Qt::PreciseTimer);
    while ((data && m_suspended) || m_out.size() + size > kMostQueued - kAnswerRoom) {
        EventWait wait(stall);
        const WaitEntry entry(*this, wait);
        const EventWait::End end = wait.wait();
        if (end == EventWait::End::Cancelled || generation != m_generation)
            throw PortError(PortErrors::NotOpen, text(kClosedWhileSending));
        readAvailable();
        if (m_goneErrno != 0)
            throwGone();
        if (m_out.size() < queued) {
            queued = m_out.size();
            stall = QDeadlineTimer(m_writeTimeout, Qt::PreciseTimer);
        } else if (end == EventWait::End::Expired) {
            throw PortError(PortErrors::WriteTimeout, text(kTakesNothing, {m_name}));
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
            throw PortError(PortErrors::NotOpen, text(kClosedWhileSending));
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
    const bool watch = m_goneErrno == 0 && readRoom() > 0 &&
                       (m_watchArrivals || m_state == State::Opening || !m_waits.isEmpty());
    if (m_readable->isEnabled() != watch)
        m_readable->setEnabled(watch);
    // Reading waits for room for answers: the server has that long to take
    // something.
    const bool heldByAnswers = m_goneErrno == 0 && answerRoom() <= 0;
    if (!heldByAnswers)
        m_stall.stop();
    else if (!m_stall.isActive())
        m_stall.start(m_stallLimit);
}

// Nothing has gone to the server for the stall limit while no room for
// answers is left: a server that goes on sending meanwhile misbehaves, and
// the connection is closed for good.
void NetworkPort::stalled()
{
    if (m_fd < 0 || m_goneErrno != 0 || answerRoom() > 0)
        return;
    char next = 0;
    const ssize_t n = ::recv(m_fd, &next, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        m_stall.start(m_stallLimit); // quiet: it may read yet
        return;
    }
    if (n > 0) {
        m_givenUp = true;
        markGone(PortErrors::ServerMisbehaves);
    } else {
        markGone(n == 0 ? 0 : errno); // it closed the connection meanwhile
    }
    wakeWaits();
    if (m_state == State::Open)
        announceArrival();
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
    m_stall.stop();
    updateWatching();
}

void NetworkPort::requireOpen() const
{
    if (m_state != State::Open)
        throw PortError(PortErrors::NotOpen, text(kNotOpen));
}

void NetworkPort::requireConnection() const
{
    if (m_goneErrno != 0)
        throwGone();
}

void NetworkPort::throwGone() const
{
    throw goneError();
}

PortError NetworkPort::goneError() const
{
    if (m_givenUp)
        return PortError(PortErrors::ServerMisbehaves, misbehaviour());
    return PortError(m_goneErrno, text(kLost, {m_name}));
}

QString NetworkPort::goneReason() const
{
    return deviceGone() ? goneError().description() : QString();
}

QString NetworkPort::givenUpReason() const
{
    return m_givenUp && deviceGone() ? misbehaviour() : QString();
}

QString NetworkPort::misbehaviour() const
{
    const double seconds = std::chrono::duration<double>(m_stallLimit).count();
    return text(kMisbehaves, {m_name, QString::number(seconds)});
}

void NetworkPort::setSuspended(bool suspended)
{
    if (suspended == m_suspended)
        return;
    m_suspended = suspended;
    offerRoom();
    if (m_holdHandler)
        m_holdHandler(suspended ? text(kHolds, {m_name}) : QString());
}

QString NetworkPort::text(qint32 id, const QStringList &params) const
{
    return PortText::text(language(), id, params);
}

qint64 NetworkPort::nsPerCharacter() const
{
    return qint64(halfBitsPerCharacter(m_settings)) * 500'000'000 / std::max(m_settings.baud, 1);
}
