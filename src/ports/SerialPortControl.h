#pragma once

#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <exception>
#include <functional>
#include <optional>

// How many received bytes a port holds for the terminal at most, for the
// moments the window is busy (a dialog, a save) while a stream goes on; the
// log takes every full block at once, so it is usually near empty. Beyond it
// reading waits (the device's flow control or its writer holds) and nothing
// is dropped, so a flood from a faster writer cannot take more memory.
inline constexpr qsizetype kReceiveBacklogCap = 4 * 1024 * 1024;

// Raised by a member of the serial port control whose operation cannot be
// done (port closed, missing or busy, a value the device refuses). Callers
// that report it show both the number and the description.
class PortError : public std::exception {
public:
    PortError(qint32 number, QString description);
    qint32 number() const { return m_number; }
    const QString &description() const { return m_description; }
    const char *what() const noexcept override { return m_what.constData(); }

private:
    qint32 m_number;
    QString m_description;
    QByteArray m_what;
};

// The modem lines a device reports to the program, as bits.
enum ModemInput : quint8 { kCts = 1, kDsr = 2, kDcd = 4, kRi = 8 };

// What a port knows of its device's modem lines: whether DTR and RTS can be
// switched, and the state of the inputs (ModemInput bits) when known.
struct ModemLines {
    bool switchable = false;
    std::optional<quint8> inputs;
};

// The members of the serial port control the terminal works with. Each
// string carries one byte per character (through the codec of the text
// layer). Every member may raise PortError.
class SerialPortControl {
public:
    virtual ~SerialPortControl() = default;

    virtual bool PortOpen() = 0;
    // True opens the port with the members written before; False closes it.
    virtual void setPortOpen(bool open) = 0;
    virtual void setCommPort(qint16 n) = 0; // n of COMn
    // Baud text followed by the format text, as '9600,N,8,1'.
    virtual void setSettings(const QString &settings) = 0;
    virtual void setInBufferSize(qint16 size) = 0;
    virtual void setInputLen(qint16 len) = 0;
    virtual void setRThreshold(qint16 threshold) = 0;
    virtual void setSThreshold(qint16 threshold) = 0;
    virtual void setEOFEnable(bool enable) = 0;
    // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both.
    virtual void setHandshaking(qint32 mode) = 0;
    virtual void setDTREnable(bool enable) = 0;
    virtual void setRTSEnable(bool enable) = 0;
    // Writes the characters to the line, in order, before returning.
    virtual void setOutput(const QString &chars) = 0;
    // For a long send that must never wait: hands the port as many of the
    // bytes as it takes at once and returns how many (0 while the line or the
    // other end holds them). Raises PortError as setOutput does. A port that
    // cannot tell takes them all, as setOutput does.
    virtual qsizetype writeSome(QByteArrayView bytes);
    // Calls the handler once, on the window's thread while events are
    // processed, when the port can take more; false when the port cannot tell
    // (the sender then simply tries again). Closing the port drops the wait,
    // as does a call with an empty handler.
    virtual bool awaitRoom(std::function<void()> handler) { return (void)handler, false; }
    // The receive buffer's size as written last: InBufferCount never shows
    // more, and a buffer that holds this many characters is full.
    virtual qint16 InBufferSize() const = 0;
    // Characters waiting, at most InBufferSize.
    virtual qint16 InBufferCount() = 0;
    // The waiting characters (at most InBufferSize), removed from the buffer.
    virtual QString Input() = 0;
    // The waiting characters up to and including the first line end (the
    // bytes given) among those Input would hand out, removed from the
    // buffer; empty when no line end lies among them.
    virtual QString inputLine(QByteArrayView lineEnd) = 0;

    // Whether the port tells when characters arrive. One that does calls the
    // handler (on the window's thread, while events are processed) when
    // characters arrive or the device goes away, so an idle terminal need not
    // poll it; one that does not is polled all the time.
    virtual bool signalsArrival() const { return false; }
    virtual void setArrivalHandler(std::function<void()> handler) { (void)handler; }
    // Off while the terminal is about to poll anyway: the port then does not
    // wake the program for every few characters that arrive, and the
    // operating system's buffer holds them until the poll. On by default.
    virtual void setArrivalWatch(bool on) { (void)on; }
    // Called with every piece of bytes as the port reads it from the line,
    // before Input or inputLine hands it out: what watches the stream as it
    // comes (the trigger rules) need not wait for a block to end. Ports
    // without a backlog of their own never call it.
    virtual void setReceiveTap(std::function<void(QByteArrayView bytes)> tap) { (void)tap; }

    // The device went away while the port was open (a hang-up, a read or
    // write error). The port stays open, with what it received still
    // readable, until it is closed.
    virtual bool deviceGone() const { return false; }
    // Where the device opened last lives, under the name the user gave it:
    // the path to watch for its return. Empty when the port cannot tell.
    virtual QString devicePath() const { return {}; }
    // Whether the device found there now is the one opened last, so that
    // opening the port again reaches it. False while the port is open. After
    // an opening that found no device or server (see awaitablePath), whether
    // one is there now.
    virtual bool sameDeviceBack() { return false; }
    // While the device counts as gone: why the port gave it up for good (a
    // server that misbehaves), a text for the user; nothing is to wait for
    // its return then. Empty for a device that went away by itself.
    virtual QString givenUpReason() const { return {}; }
    // While the device counts as gone: what happened, a text for the user
    // ("the device has gone away (/dev/ttyUSB0)").
    virtual QString goneReason() const { return {}; }
    // After an opening that failed because the entry's device is not there
    // (or its server cannot be reached), the entry to wait for: where the
    // device will appear, the server's address. Empty after any other
    // outcome, and for an entry that must not be waited for.
    virtual QString awaitablePath() const { return {}; }
    // Whether opening COMn may wait for something beyond this machine (a
    // server across the network), so that the window should show first.
    virtual bool mayWaitToOpen(qint16 comNumber) { return (void)comNumber, false; }

    // A port whose opening may take a while (one across the network) calls
    // the handler with a text to show while it waits, with the window's
    // events running, and with an empty text when the wait is over. Other
    // ports never call it.
    virtual void setWaitHandler(std::function<void(const QString &text)> handler) { (void)handler; }
    // A port whose other end can hold what the program sends (a server's
    // FLOWCONTROL-SUSPEND) calls the handler with a text saying so when the
    // hold begins, and with an empty text when it ends (the server resumes,
    // the connection closes). Other ports never call it.
    virtual void setHoldHandler(std::function<void(const QString &text)> handler) { (void)handler; }

    // Whether the open port can hold its line in the break state.
    virtual bool canSendBreak() { return false; }
    // Puts the line into the break state (true) or releases it; a port that
    // cannot raises PortError.
    virtual void setBreak(bool on) { (void)on; }
    // The modem lines of the open port; nothing while closed, and nothing for
    // a device without them (a pseudo-terminal, a plain TCP connection).
    virtual ModemLines modemLines() { return {}; }
    // Whether the inputs must be read again and again to follow their
    // changes (a local device); a port that is told of changes calls the
    // handler instead, on the window's thread.
    virtual bool modemLinesPolled() { return false; }
    virtual void setModemLineHandler(std::function<void()> handler) { (void)handler; }
};
