#pragma once

#include <QString>

struct EngineContext;

// Everything the program transmits goes through SendText: it decodes the
// token notation, raises RTS around the transmission when configured, writes
// the characters one at a time with the character delay before each, and logs
// one [OUT] line.
class Transmitter {
public:
    explicit Transmitter(EngineContext &context) : m(context) {}

    // The send button: the send box with prefix and suffix; clears the box
    // afterwards when configured.
    void cmdSend_Click();

    enum class Outcome { Sent, NotSendable, PortFailed };

    // Sends a text in token notation. A text that cannot be decoded, or whose
    // characters have no byte, sends and logs nothing; a failing port ends the
    // transmission silently. Neither is shown; the outcome tells which.
    Outcome SendText(const QString &text);

private:
    EngineContext &m;
};
