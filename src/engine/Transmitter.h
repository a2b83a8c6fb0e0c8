#pragma once

#include "engine/NotSentNotice.h"

#include <QString>

struct EngineContext;

// Everything the program transmits goes through SendText: it decodes the
// token notation, raises RTS around the transmission when configured, writes
// the characters one at a time with the character delay before each (or all
// at once without a delay), and logs one [OUT] line.
class Transmitter {
public:
    explicit Transmitter(EngineContext &context) : m(context), m_notice(context) {}

    // The send button: the send box with prefix and suffix; clears the box
    // afterwards when configured. A text that cannot be sent stays in the box
    // and the status bar says why; so does a text the port did not take
    // because the other end holds the line (a device's flow control, a server
    // that takes nothing at the moment). The next text sent from the box ends
    // such a message.
    void cmdSend_Click();

    enum class Outcome { Sent, NotSendable, PortFailed };

    // Sends a text in token notation. A text that cannot be decoded, or whose
    // characters have no byte, sends and logs nothing (fault, when given, says
    // why); a failing port ends the transmission silently. Neither is shown;
    // the outcome tells which.
    Outcome SendText(const QString &text, DecodeFault *fault = nullptr);

    // A command slot's text, sent as SendText does; when it cannot be sent,
    // the status bar says why (the repetition says it once per text).
    Outcome sendSlotText(int slot, const QString &text);

    // The repetition was switched: its failures are news again.
    void repetitionSwitched() { m_notice.forgetTold(); }

private:
    void showHeld();

    EngineContext &m;
    qint32 m_failureNumber = 0; // of the port's last error in SendText
    QString m_failureText;
    NotSentNotice m_notice;
    bool m_messageShown = false; // a message about the send box is in the status bar
};
