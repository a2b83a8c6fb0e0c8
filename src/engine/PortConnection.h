#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>

struct EngineContext;
class DeviceReturnWatch;
class PortError;

// Turns the port fields of the settings record into an open connection and
// tells the user the result in the status bar, or in an error box.
//
// A device that goes away makes the port count as closed, as after a failed
// opening but without a message; when the same device comes back the port
// is opened again with the current settings (see DeviceReturnWatch), never
// while a modal dialog is open. An opening that finds no device at the
// entry's path, or cannot reach the entry's server, reports it and then
// waits for it the same way (see SerialPortControl::awaitablePath). While a
// port is awaited, the window's waiting field says which ("Warte auf COM1
// (/dev/serial/by-id/...)..."), the status says no port is open, and the
// tries themselves stay quiet.
//
// While a port across the network connects, the status bar shows what the
// port says it waits for ("Connecting to host:port..."); the window closing
// meanwhile ends the wait without a message. The user's latest choice wins:
// an opening asked for while another one waits (for its server, or a try to
// reopen a lost port) cancels that one and follows right after it, and the
// status names the port that is actually open.
//
// The port's history goes into the log as event lines: every opening after
// the one at the program's start, every closing by the user (also the one
// before accepted settings open the port anew), every loss of the device or
// connection, and the start of every wait for a port (not each try).
class PortConnection {
public:
    explicit PortConnection(EngineContext &context);
    ~PortConnection();

    // Closes the port if open, writes every member in a fixed order, opens
    // it, and writes the status text. The first failing member ends the steps:
    // the port-dependent controls stay disabled and the error is reported.
    void fkt_MainOpenPort();

    // Enables or disables, as a group, the controls that need an open port.
    void fkt_MainEnableControls(bool enabled);

    // The user lets go of the port: an opening under way is cancelled, a port
    // awaited is no longer awaited, an open one closed (what is queued for
    // the line first drains, as at the end of the program). Status "no
    // connection", the controls as after a failed opening; nothing is opened
    // again by itself.
    void closePort();
    // Whether there is a port to close: open, opening, or awaited.
    bool portInUse() const;
    // The open port for the header of a log file: its COM number, its
    // Ports.ini entry and its settings ("COM1 = /dev/ttyUSB0  9600 8N1").
    // Empty while no port is open.
    QString portDescription() const;

    // The port's device went away: status "no connection", the controls
    // disabled, the port closed, and its return watched for; a device the
    // port gave up for good (a server that misbehaves) is not watched for,
    // and the port's reason is shown in an error box.
    void portLost();
    // Whether a lost or missing device (or server) is being waited for.
    bool awaitingDevice() const;
    // Stops waiting for it (the program ends).
    void stopAwaiting();

private:
    // The values a port was opened with, for the status text.
    struct OpenedWith {
        quint8 comPort = 0;
        quint8 baudrate = 0;
        qint32 baudValue = 0; // a typed rate, which wins over the table's entry
        quint8 dataformat = 0;
        quint8 handshake = 0;
    };

    void openOnce();
    void openingFailed(const PortError &error);
    void openWithSettings();
    void closeQuietly();
    bool reopenLostPort();
    void startAwaiting(int comNumber, const QString &path);
    void reportOpenFailure(qint32 number, const QString &description);
    void tellPortState();
    QString connectedStatusText() const;
    QString shortSettings() const;
    void logOpened();
    void logEvent(qint32 textId, const QStringList &params);

    EngineContext &m;
    std::unique_ptr<DeviceReturnWatch> m_return;
    OpenedWith m_openedWith;
    int m_awaitedComNumber = 0;
    bool m_opening = false;
    bool m_settingsTaken = false; // the opening under way has written the members
    bool m_connected = false;     // the last opening succeeded, and the port is not lost or closed
    bool m_reopening = false;     // the opening under way is a try of the watch
    bool m_openAgain = false;     // an opening was asked for meanwhile
    bool m_closeAsked = false;    // the user closed the port meanwhile
    bool m_waitShown = false;     // the port's wait replaced the status text
    QString m_holdText;           // the port's other end holds the transmission
    bool m_started = false;       // the opening at the program's start is over
};
