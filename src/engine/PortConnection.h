#pragma once

#include <QString>

#include <memory>

struct EngineContext;
class DeviceReturnWatch;

// Turns the port fields of the settings record into an open connection and
// tells the user the result in the status bar, or in an error box.
//
// A device that goes away makes the port count as closed, as after a failed
// opening but without a message; when the same device comes back the port
// is opened again with the current settings (see DeviceReturnWatch), never
// while a modal dialog is open.
//
// While a port across the network connects, the status bar shows what the
// port says it waits for ("Connecting to host:port..."); the window closing
// meanwhile ends the wait without a message. An opening asked for while a
// try to reopen a lost port waits for its server ends that try and follows
// right after it.
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

    // The port's device went away: status "no connection", the controls
    // disabled, the port closed, and its return watched for; a device the
    // port gave up for good (a server that misbehaves) is not watched for,
    // and the port's reason is shown in an error box.
    void portLost();
    // Writes the open port's status text again, after a passing message.
    void showPortStatus();
    // Whether a lost device is being watched for.
    bool awaitingDevice() const;
    // Stops watching for a lost device (the program ends).
    void stopAwaiting();

private:
    void openWithSettings();
    bool reopenLostPort();
    void reportOpenFailure(qint32 number, const QString &description);
    QString connectedStatusText() const;

    EngineContext &m;
    std::unique_ptr<DeviceReturnWatch> m_return;
    int m_lostComNumber = 0;
    bool m_opening = false;
    bool m_reopening = false;         // the opening under way is a try of the watch
    bool m_openAfterReopening = false; // an opening was asked for meanwhile
    bool m_waitShown = false;         // the port's wait replaced the status text
};
