#pragma once

#include "ports/BackloggedPort.h"
#include "ports/LineAttributes.h"
#include "ports/PortSettingsString.h"
#include "ports/Rfc2217.h"
#include "ports/SerialPortControl.h"
#include "ports/SocketCalls.h"
#include "ports/TelnetCodec.h"
#include "ports/TermiosPort.h"

#include <QEventLoop>
#include <QList>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>

class EventWait;
class QSocketNotifier;

// The serial port control over a TCP connection to a serial device server:
// the COM number's Ports.ini entry is rfc2217://host:port (RFC 2217, Telnet
// COM Port Control: bytes and the serial settings) or socket://host:port
// (plain TCP: bytes only; the settings are accepted and ignored).
//
// Opening looks the host up, connects and, with RFC 2217, negotiates the
// option and sets baud rate, data bits, parity, stop bits and flow control on
// the remote port, then checks the server's answers as a local port's
// settings are read back, and sets DTR and RTS. All of it may take 5 s
// (kOpeningLimit), while the window's events run and the wait handler shows
// "Connecting to host:port..."; closing the port (or ending the program)
// during the wait ends it. A server that closes the connection within a
// second (kBusyWithin) before that is done is taken to be busy: the port is
// in use by someone else (ser2net serves one connection per port, tells the
// next one so and closes). A plain TCP opening waits a short while for such
// a close (kSettle: four times the time the connection took, from 0.2 to 1 s).
// The failures are described in the program's language, naming host and
// port: refused, unreachable, name not known, an interface that does not
// exist (or is missing from a link-local address), no answer within 5 s,
// busy, a setting the server did not take (answered otherwise, not answered,
// or the connection closed over it), the connection closed after every
// setting was taken, no RFC 2217 at the server. A server that closed the
// connection counts as busy only when it had not agreed to RFC 2217 or said
// so in words.
//
// RTS and DTR follow the program with RFC 2217's control commands. RFC 2217
// cannot tell when the remote port's output has drained: RTS drops once the
// line time of what was sent since (at the set rate and format) has passed.
// Settings and handshake written while open are set on the remote port at
// once and checked (a refused value leaves the previous one in force).
//
// Over RFC 2217 BREAK is SET-CONTROL break on and off, and the modem lines
// come from the server's NOTIFY-MODEMSTATE (all changes asked for with
// SET-MODEMSTATE-MASK): unknown until the first notice, and the modem line
// handler is called at each. A plain TCP port has neither.
//
// Received bytes go into an own backlog as the descriptor is read, exactly
// as for the terminal-device port: the arrival handler, the arrival watch,
// the backlog cap, InBufferSize and InputLen behave the same. A connection
// that ends (the server gone, a reset, a dead network found by keep-alive
// probes) is a device gone away: deviceGone() tells, what was received stays
// readable, then InBufferCount, Input and Output raise "the connection was
// lost". sameDeviceBack() is true while COMn's entry still names the same
// address: whether the server is back only an opening can find out. An
// opening that cannot reach the server (refused, unreachable, a name not
// known, no answer) makes awaitablePath() name the address, so that it can
// be tried again the same way.
//
// What waits to go to the server never exceeds kMostQueued bytes. The
// program's own bytes (data, settings, control lines) wait while they would
// fill it beyond kMostQueued - kAnswerRoom, as they wait while the server
// has suspended data with FLOWCONTROL-SUSPEND (the hold handler tells when
// such a hold begins and ends); a write that waits longer than
// the write time-out fails with PortErrors::WriteTimeout ("the server takes
// nothing at the moment"). Negotiation answers fill the rest: the connection
// is read only as far as the room left for the answers its bytes may ask for.
// A server that goes on sending while it takes nothing (what waits for it
// has not moved for kStallLimit while no room for answers is left) has the
// connection closed: the port counts as gone, givenUpReason() says that the
// server misbehaves, and sameDeviceBack() stays false.
//
// Exclusive use is the server's business: this port holds one connection.
class NetworkPort : public BackloggedPort {
public:
    static constexpr std::chrono::milliseconds kOpeningLimit{5000};
    static constexpr std::chrono::milliseconds kBusyWithin{1000};
    static constexpr qsizetype kMostQueued = 64 * 1024;
    static constexpr qsizetype kAnswerRoom = 4 * 1024;
    static constexpr std::chrono::milliseconds kStallLimit{10000};

    explicit NetworkPort(PortPathResolver resolver, LanguageSource language = {});
    ~NetworkPort() override;
    NetworkPort(const NetworkPort &) = delete;
    NetworkPort &operator=(const NetworkPort &) = delete;

    bool PortOpen() override { return m_state == State::Open; }
    void setPortOpen(bool open) override;
    void setCommPort(qint16 n) override;
    void setSettings(const QString &settings) override;
    void setInBufferSize(qint16 size) override;
    void setInputLen(qint16 len) override;
    void setRThreshold(qint16) override {}
    void setSThreshold(qint16) override {}
    void setEOFEnable(bool) override {}
    void setHandshaking(qint32 mode) override;
    void setDTREnable(bool enable) override;
    void setRTSEnable(bool enable) override;
    void setOutput(const QString &chars) override;
    qsizetype writeSome(QByteArrayView bytes) override;
    bool awaitRoom(std::function<void()> handler) override;
    bool deviceGone() const override { return m_state == State::Open && m_goneErrno != 0; }
    QString devicePath() const override { return m_entry; }
    bool sameDeviceBack() override;
    QString givenUpReason() const override;
    QString goneReason() const override;
    QString awaitablePath() const override { return m_unreachable ? m_entry : QString(); }
    void setWaitHandler(std::function<void(const QString &)> handler) override
    {
        m_waitHandler = std::move(handler);
    }
    void setHoldHandler(std::function<void(const QString &)> handler) override
    {
        m_holdHandler = std::move(handler);
    }
    bool canSendBreak() override { return m_rfc2217 && PortOpen() && m_goneErrno == 0; }
    void setBreak(bool on) override;
    ModemLines modemLines() override;
    void setModemLineHandler(std::function<void()> handler) override
    {
        m_modemLineHandler = std::move(handler);
    }

    // How long a write may wait for a server that takes nothing before it
    // fails with PortErrors::WriteTimeout.
    void setWriteTimeout(std::chrono::milliseconds timeout) { m_writeTimeout = timeout; }
    // The send call made on the socket (a test seam); the real one by
    // default. The object must outlive the port.
    void setSocketCalls(SocketCalls &calls) { m_calls = &calls; }
    // How long a server may go on sending while it takes nothing before the
    // connection is closed (kStallLimit).
    void setStallLimit(std::chrono::milliseconds limit) { m_stallLimit = limit; }
    // Bytes of backlog beyond which reading pauses.
    void setBacklogCap(qsizetype bytes);
    // The most bytes that waited to go to the server since the last opening.
    qsizetype mostQueued() const { return m_mostQueued; }
    // Whether the layer is watching the connection for arriving bytes.
    bool watchingConnection() const;

private:
    enum class State { Closed, Opening, Open, Closing };
    class WaitEntry;

    void open();
    void close(bool eventsRun);
    void connectAndNegotiate(EventWait &wait, std::optional<unsigned char> flowControl);
    void adopt(int fd);
    void negotiate(EventWait &wait, unsigned char flowControl);
    void settle(EventWait &wait, std::chrono::milliseconds connectTime);
    void waitFor(EventWait &wait, const std::function<bool()> &done);
    void ask(const PortSettings *line, std::optional<unsigned char> flowControl);
    void applyRemote(const PortSettings *line, std::optional<unsigned char> flowControl);
    void dropConnection();
    void readAvailable();
    void take(const char *bytes, qsizetype size);
    void queue(const QByteArray &bytes);
    void send(const QByteArray &bytes, bool data = false);
    void flushOut();
    void waitForRoom(qsizetype size, bool data);
    void offerRoom();
    qsizetype answerRoom() const;
    qsizetype readRoom() const;
    void stalled();
    void setSuspended(bool suspended);
    void waitForLine();
    void refill() override;
    void updateWatching() override;
    void wakeWaits();
    void cancelWaits();
    void markGone(int err);
    void requireOpen() const;
    void requireConnection() const;
    [[noreturn]] void throwGone() const;
    PortError goneError() const;
    QString misbehaviour() const;
    PortError closedWhileOpening() const;
    PortError refusal(const Rfc2217::Refusal &refused) const;
    PortError unansweredSetting() const;
    QString text(qint32 id, const QStringList &params = {}) const;
    quint8 language() const { return m_language ? m_language() : 1; }
    qint64 nsPerCharacter() const;

    PortPathResolver m_resolver;
    LanguageSource m_language;
    std::function<void(const QString &)> m_waitHandler;
    std::function<void(const QString &)> m_holdHandler;
    std::function<void()> m_modemLineHandler;
    SocketCalls *m_calls = &SocketCalls::system();
    qint16 m_comPort = 1;
    PortSettings m_settings;
    Handshake m_handshake = Handshake::None;
    bool m_dtr = true;
    bool m_rts = false;
    std::chrono::milliseconds m_writeTimeout{10000};
    std::chrono::milliseconds m_stallLimit = kStallLimit;

    State m_state = State::Closed;
    quint64 m_generation = 0; // counts openings and closings, for waits that let events run
    QString m_entry;          // COMn's entry at the last opening that succeeded or found no server
    bool m_unreachable = false; // the last opening could not reach the server
    qint16 m_openedAs = 0;
    QString m_name;           // host:port, as messages name it
    bool m_rfc2217 = false;
    int m_fd = -1;
    int m_goneErrno = 0;
    bool m_givenUp = false; // the connection was closed for the server's misbehaviour
    std::chrono::steady_clock::time_point m_connectedAt;
    std::unique_ptr<QSocketNotifier> m_readable;
    std::unique_ptr<QSocketNotifier> m_writable;
    std::function<void()> m_roomHandler; // writeSome's caller waits for room
    TelnetCodec m_telnet;
    Rfc2217::Answers m_answers;
    // The settings asked for and not yet confirmed (all answered, or refused).
    PortSettings m_askedLine;
    bool m_lineAsked = false;
    std::optional<unsigned char> m_askedFlow;
    bool m_suspended = false;       // the server asked to hold the data it is sent
    std::optional<quint8> m_modemInputs; // as the server's last NOTIFY-MODEMSTATE told
    QByteArray m_out;               // bytes the socket has not taken yet
    qsizetype m_mostQueued = 0;
    QTimer m_stall;                 // runs while no room for answers is left
    QByteArray m_openingData;       // what the server said while the port opened
    // When the remote port will have sent what it was given, by the line time.
    std::chrono::steady_clock::time_point m_lineFreeAt;
    QList<EventWait *> m_waits; // the waits in progress (they may nest)
};
