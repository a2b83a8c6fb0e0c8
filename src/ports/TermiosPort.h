#pragma once

#include "ports/BackloggedPort.h"
#include "ports/LineAttributes.h"
#include "ports/PortSettingsString.h"
#include "ports/PortText.h"
#include "ports/SerialPortControl.h"

#include <QEventLoop>
#include <QList>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>

class DeviceCalls;
class QSocketNotifier;

// Where the device of a COM number lives. A non-empty error means there is
// none; opening then raises PortError (PortErrors::NoDevice) with that text.
// The mapped path is the name the user gave the device (the Ports.ini
// entry), which messages use and which is watched when the device goes away;
// empty when it is the path itself. The identity tells a device apart from
// another that takes the same name later (see ComPortMap::Lookup).
struct PortPath {
    PortPath(QString path = {}, QString error = {}, QString mappedPath = {}, QString identity = {})
        : path(std::move(path)), error(std::move(error)), mappedPath(std::move(mappedPath)),
          identity(std::move(identity))
    {
    }
    QString path;
    QString error;
    QString mappedPath;
    QString identity;
};
using PortPathResolver = std::function<PortPath(int comNumber)>;

// The serial port control over a POSIX terminal device.
//
// Members written while closed are kept and applied by setPortOpen(true).
// setSettings, setHandshaking, setDTREnable and setRTSEnable written while
// open take effect at once (a refused value leaves the previous one in
// force); setCommPort while open raises PortErrors::AlreadyOpen.
//
// Opening takes the device exclusively (flock and TIOCEXCL): a second opener
// gets EBUSY, "port busy". The common failures of opening are described in
// the program's language: no device for the number, not present, busy,
// permission denied, not a serial device (string table 1822-1826); other
// descriptions are the system's.
//
// Closing waits for the characters still queued for the line (as
// setRTSEnable(false) does; see drainLimit in LineTime.h) with the window's
// events but not its input running, then restores the attributes found at
// opening. While it waits the port counts as closed.
//
// Received bytes are read into an own backlog whenever events are processed
// and on every InBufferCount/Input, so a busy window loses nothing. Beyond
// the backlog cap reading pauses and the device's own flow control (or the
// pseudo-terminal's writer) waits; nothing is dropped.
//
// The arrival handler is called after bytes were read into the backlog by the
// watcher, and when the device goes away. While the arrival watch is off the
// device is read only by InBufferCount and Input (and the waits of a write).
//
// When the device goes away (hang-up, EIO), reading stops at once and
// deviceGone() tells. The bytes already received stay available; after them
// InBufferCount and Input raise "the device has gone away", as do Output and
// the line members written while open. setPortOpen(false) always works.
// After that, sameDeviceBack() asks the resolver again whether the device
// last opened is there once more: the same mapped path and identity; never
// for a pseudo-terminal named by its number (/dev/pts/N).
//
// An opening that finds no device at the entry's path (a missing file, a
// link that leads nowhere) makes awaitablePath() name the entry, except a
// pseudo-terminal named by its number; sameDeviceBack() then tells whether a
// device is there now (with the identity of the device last opened under
// that entry and number, if one was).
//
// Opening discards what the system received for the device before it
// (tcflush TCIFLUSH), so the port hears only what arrives once it is open.
//
// BREAK and the modem lines go through the device's ioctls; a device
// without modem lines (a pseudo-terminal) reports none and takes DTR and RTS
// silently. Closing releases a break still held.
//
// Open and closed errors: Output, InBufferCount and Input on a closed port
// raise PortErrors::NotOpen.
class TermiosPort : public BackloggedPort {
public:

    // Without a language source the descriptions are English.
    explicit TermiosPort(PortPathResolver resolver, LanguageSource language = {});
    ~TermiosPort() override;
    TermiosPort(const TermiosPort &) = delete;
    TermiosPort &operator=(const TermiosPort &) = delete;

    bool PortOpen() override;
    void setPortOpen(bool open) override;
    void setCommPort(qint16 n) override;
    void setSettings(const QString &settings) override;
    void setInBufferSize(qint16 size) override;
    void setInputLen(qint16 len) override;
    void setRThreshold(qint16 threshold) override;
    void setSThreshold(qint16 threshold) override;
    void setEOFEnable(bool enable) override;
    void setHandshaking(qint32 mode) override;
    void setDTREnable(bool enable) override;
    void setRTSEnable(bool enable) override;
    void setOutput(const QString &chars) override;
    qsizetype writeSome(QByteArrayView bytes) override;
    bool awaitRoom(std::function<void()> handler) override;
    bool deviceGone() const override { return m_fd >= 0 && m_goneErrno != 0; }
    QString devicePath() const override;
    QString goneReason() const override;
    bool sameDeviceBack() override;
    QString awaitablePath() const override;
    bool canSendBreak() override { return deviceAlive(); }
    void setBreak(bool on) override;
    ModemLines modemLines() override;
    bool modemLinesPolled() override { return deviceAlive(); }

    // How long a write may wait for a device that holds the line before it
    // fails with PortErrors::WriteTimeout. Waiting for the output to drain
    // (before RTS drops, and when closing) follows the line time instead.
    void setWriteTimeout(std::chrono::milliseconds timeout) { m_writeTimeout = timeout; }
    // The system calls made on the device (a test seam); the real ones by
    // default. The object must outlive the port.
    void setDeviceCalls(DeviceCalls &calls);
    // Bytes of backlog beyond which reading pauses.
    void setBacklogCap(qsizetype bytes);
    // Whether the device still answers; false after a hang-up.
    bool deviceAlive() const { return m_fd >= 0 && m_goneErrno == 0; }
    // Whether the layer is watching the device for arriving bytes.
    bool watchingDevice() const;

private:
    // How a wait for the output to drain spends its time.
    enum class DrainWait { EventsRun, EventsButInput, Sleeping };

    void open();
    void noteMissing(const PortPath &where);
    void close(DrainWait wait);
    PortError openFailure(int err, const QString &name) const;
    QString text(qint32 id, const QStringList &params) const;
    quint8 language() const;
    void requireOpen() const;
    void requireDevice() const;
    [[noreturn]] void throwGone() const;
    void markGone(int err);
    void readAvailable();
    void refill() override;
    void updateWatching() override;
    void applyLine(const PortSettings &settings, Handshake handshake);
    void setModemLine(int line, bool on);
    [[noreturn]] void lineFailure(int err, const QString &line);
    void writeAll(const QByteArray &bytes);
    void waitWritable(std::chrono::steady_clock::time_point deadline, bool &stalledAfterReady);
    void drainOutput(DrainWait wait);
    int queuedOutput();
    void pauseWithEvents(int ms, bool untilWritable, QEventLoop::ProcessEventsFlags flags);

    PortPathResolver m_resolver;
    LanguageSource m_language;
    DeviceCalls *m_calls;
    qint16 m_comPort = 1;
    PortSettings m_settings;
    Handshake m_handshake = Handshake::None;
    bool m_dtr = true;
    bool m_rts = false;
    bool m_break = false; // the line is held in the break state
    std::chrono::milliseconds m_writeTimeout{10000};

    // The device last opened and the number it was opened as; kept after
    // closing, to tell when it comes back. After an opening that found no
    // device, the entry it looked for (without a path, and with the identity
    // known only when that entry was opened before).
    PortPath m_opened;
    qint16 m_openedAs = 0;
    bool m_identityKnown = false;
    bool m_missing = false; // the last opening found no device at the entry
    int m_fd = -1;
    bool m_closing = false; // waiting for the output to drain before closing
    QString m_path;
    int m_goneErrno = 0; // 0 while the device answers; errno or DeviceGone after
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct SavedAttributes;
    std::unique_ptr<SavedAttributes> m_saved;
    // Counts openings and closings, so a wait that let events run can tell
    // that the port was closed or reopened meanwhile.
    quint64 m_generation = 0;
    // The write watchers of the waits in progress (they may nest); closing
    // switches them off before the descriptor goes.
    QList<QSocketNotifier *> m_writeWaits;
    // The wait of writeSome's caller for room in the output.
    std::unique_ptr<QSocketNotifier> m_roomWatch;
    std::function<void()> m_roomHandler;
};
