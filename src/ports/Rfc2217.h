#pragma once

#include "ports/LineAttributes.h"
#include "ports/PortSettingsString.h"

#include <QByteArray>
#include <QString>

#include <optional>

// The serial settings of RFC 2217 (Telnet COM Port Control): the commands a
// client sends in the option's subnegotiations and the answers it gets. The
// server answers every setting command with the value now in force (the
// command's code + 100), so a client reads its settings back from the answers
// as it would from a local device.
namespace Rfc2217 {

// Commands of the client; the server's answers carry the code + kAnswer.
enum Command : unsigned char {
    kSignature = 0,
    kSetBaudrate = 1,
    kSetDatasize = 2,
    kSetParity = 3,
    kSetStopsize = 4,
    kSetControl = 5,
    kNotifyModemstate = 7,
    kFlowControlSuspend = 8,
    kFlowControlResume = 9,
    kSetLinestateMask = 10,
    kSetModemstateMask = 11,
};
constexpr unsigned char kAnswer = 100;

// Values of SET-CONTROL this client uses.
enum Control : unsigned char {
    kNoFlowControl = 1,
    kXonXoffFlowControl = 2,
    kHardwareFlowControl = 3,
    kBreakOn = 5,
    kBreakOff = 6,
    kDtrOn = 8,
    kDtrOff = 9,
    kRtsOn = 11,
    kRtsOff = 12,
};

// The answers received since the commands were sent; a field without a
// value still awaits its answer.
struct Answers {
    std::optional<qint64> baud;
    std::optional<int> dataBits;
    std::optional<int> parity;
    std::optional<int> stopBits;
    std::optional<int> flowControl;

    bool lineAnswered() const { return baud && dataBits && parity && stopBits; }
    bool anyAnswered() const { return baud || dataBits || parity || stopBits || flowControl; }
};

// SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE for a line format.
QByteArray lineCommands(const PortSettings &settings);
// SET-CONTROL with a value.
QByteArray controlCommand(unsigned char value);
// The flow control of a handshake; nothing for RTS/CTS together with
// XON/XOFF, which RFC 2217 cannot ask for.
std::optional<unsigned char> flowControlOf(Handshake handshake);

// Files a subnegotiation of the server: an answer to a setting goes into the
// answers (SET-CONTROL answers about DTR, RTS and inbound flow control are
// not kept); the server asking to hold or resume the data it is sent is
// returned.
enum class Notice { None, Suspend, Resume };
Notice take(const QByteArray &subnegotiation, Answers &answers);

// The modem lines a NOTIFY-MODEMSTATE tells of, as ModemInput bits
// (SerialPortControl.h); nothing for any other subnegotiation.
std::optional<quint8> modemInputsOf(const QByteArray &subnegotiation);

// A setting the server did not take: which (a string-table ID of its name),
// what was asked and what came back, both as the settings string writes them.
struct Refusal {
    qint32 settingNameId = 0;
    QString wanted;
    QString answered;
};
std::optional<Refusal> refusedLine(const PortSettings &wanted, const Answers &answers);
std::optional<Refusal> refusedFlowControl(unsigned char wanted, const Answers &answers);
// The first setting asked for that has no answer yet, in the order the
// commands go out (rate, data bits, parity, stop bits, flow control), with
// nothing answered.
std::optional<Refusal> unanswered(const PortSettings *line,
                                  std::optional<unsigned char> flowControl, const Answers &answers);

} // namespace Rfc2217
