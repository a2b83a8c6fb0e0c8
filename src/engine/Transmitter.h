#pragma once

#include <QString>
#include <QTimer>

struct EngineContext;

// Everything the program transmits goes through SendText: it decodes the
// token notation, raises RTS around the transmission when configured, writes
// the characters one at a time with the character delay before each, and logs
// one [OUT] line.
class Transmitter {
public:
    explicit Transmitter(EngineContext &context);

    // The send button: the send box with prefix and suffix; clears the box
    // afterwards when configured. A text the port did not take because the
    // other end holds the line (a device's flow control, a server that takes
    // nothing at the moment) stays in the box, and the status bar says so for
    // kHeldMessageMs, then shows the port's status again.
    void cmdSend_Click();

    static constexpr int kHeldMessageMs = 5000;

    enum class Outcome { Sent, NotSendable, PortFailed };

    // Sends a text in token notation. A text that cannot be decoded, or whose
    // characters have no byte, sends and logs nothing; a failing port ends the
    // transmission silently. Neither is shown; the outcome tells which.
    Outcome SendText(const QString &text);

private:
    void showHeld();
    void endHeldMessage();

    EngineContext &m;
    qint32 m_failureNumber = 0; // of the port's last error in SendText
    QString m_failureText;
    QTimer m_heldMessage; // runs while the status bar tells of a held line
};
