#include "ports/Rfc2217.h"

#include "ports/PortTables.h"
#include "ports/SerialPortControl.h"
#include "ports/TelnetCodec.h"

#include <cstdlib>

namespace Rfc2217 {

namespace {

constexpr qint32 kBaudNameId = 1911;
constexpr qint32 kDataBitsNameId = 1912;
constexpr qint32 kParityNameId = 1913;
constexpr qint32 kStopBitsNameId = 1914;
constexpr qint32 kHandshakeNameId = 1915;

int parityValue(Parity parity)
{
    switch (parity) {
    case Parity::None:
        return 1;
    case Parity::Odd:
        return 2;
    case Parity::Even:
        return 3;
    case Parity::Mark:
        return 4;
    case Parity::Space:
        return 5;
    }
    return 1;
}

int stopValue(StopBits stop)
{
    switch (stop) {
    case StopBits::One:
        return 1;
    case StopBits::Two:
        return 2;
    case StopBits::OneAndHalf:
        return 3;
    }
    return 1;
}

QString parityText(int value)
{
    static const char *const letters[] = {"N", "O", "E", "M", "S"};
    return value >= 1 && value <= 5 ? QString::fromLatin1(letters[value - 1])
                                    : QString::number(value);
}

QString stopText(int value)
{
    static const char *const texts[] = {"1", "2", "1.5"};
    return value >= 1 && value <= 3 ? QString::fromLatin1(texts[value - 1]) : QString::number(value);
}

QString flowText(int value)
{
    // The handshake names of the status text: 1 None, 2 XOnXoff, 3 RTS.
    return value >= 1 && value <= 3 ? PortTables::handshakeName(quint8(value - 1))
                                    : QString::number(value);
}

QByteArray oneByte(int value)
{
    return QByteArray(1, char(value));
}

// Within 2%, as for a local device: a server may report the rate its divisor
// really gives, and a UART frame tolerates that much.
bool closeEnough(qint64 got, qint64 wanted)
{
    return std::llabs(got - wanted) * 50 <= wanted;
}

} // namespace

QByteArray lineCommands(const PortSettings &settings)
{
    const auto baud = quint32(settings.baud);
    QByteArray rate; // four bytes, most significant first
    for (const int shift : {24, 16, 8, 0})
        rate.append(char((baud >> shift) & 0xFF));
    return TelnetCodec::comPortCommand(kSetBaudrate, rate) +
           TelnetCodec::comPortCommand(kSetDatasize, oneByte(settings.dataBits)) +
           TelnetCodec::comPortCommand(kSetParity, oneByte(parityValue(settings.parity))) +
           TelnetCodec::comPortCommand(kSetStopsize, oneByte(stopValue(settings.stopBits)));
}

QByteArray controlCommand(unsigned char value)
{
    return TelnetCodec::comPortCommand(kSetControl, oneByte(value));
}

std::optional<unsigned char> flowControlOf(Handshake handshake)
{
    switch (handshake) {
    case Handshake::None:
        return kNoFlowControl;
    case Handshake::XonXoff:
        return kXonXoffFlowControl;
    case Handshake::RtsCts:
        return kHardwareFlowControl;
    case Handshake::Both:
        break;
    }
    return std::nullopt;
}

Notice take(const QByteArray &subnegotiation, Answers &answers)
{
    if (subnegotiation.isEmpty())
        return Notice::None;
    const auto code = static_cast<unsigned char>(subnegotiation.at(0));
    const QByteArray value = subnegotiation.mid(1);
    // A notice is sometimes sent with the client's code.
    if (code == kFlowControlSuspend || code == kFlowControlSuspend + kAnswer)
        return Notice::Suspend;
    if (code == kFlowControlResume || code == kFlowControlResume + kAnswer)
        return Notice::Resume;
    if (code == kSetBaudrate + kAnswer && value.size() == 4) {
        qint64 baud = 0;
        for (const char byte : value)
            baud = (baud << 8) | static_cast<unsigned char>(byte);
        answers.baud = baud;
    } else if (value.size() == 1) {
        const int byte = static_cast<unsigned char>(value.at(0));
        if (code == kSetDatasize + kAnswer)
            answers.dataBits = byte;
        else if (code == kSetParity + kAnswer)
            answers.parity = byte;
        else if (code == kSetStopsize + kAnswer)
            answers.stopBits = byte;
        else if (code == kSetControl + kAnswer && byte >= kNoFlowControl &&
                 byte <= kHardwareFlowControl)
            answers.flowControl = byte;
    }
    return Notice::None;
}

std::optional<quint8> modemInputsOf(const QByteArray &subnegotiation)
{
    if (subnegotiation.size() != 2 ||
        static_cast<unsigned char>(subnegotiation.at(0)) != kNotifyModemstate + kAnswer)
        return std::nullopt;
    const auto state = static_cast<unsigned char>(subnegotiation.at(1));
    quint8 inputs = 0;
    for (const auto &[bit, input] : {std::pair{0x10, kCts}, std::pair{0x20, kDsr},
                                     std::pair{0x80, kDcd}, std::pair{0x40, kRi}}) {
        if (state & bit)
            inputs |= input;
    }
    return inputs;
}

std::optional<Refusal> refusedLine(const PortSettings &wanted, const Answers &answers)
{
    if (answers.baud && !closeEnough(*answers.baud, wanted.baud))
        return Refusal{kBaudNameId, QString::number(wanted.baud), QString::number(*answers.baud)};
    if (answers.dataBits && *answers.dataBits != wanted.dataBits)
        return Refusal{kDataBitsNameId, QString::number(wanted.dataBits),
                       QString::number(*answers.dataBits)};
    const int parity = parityValue(wanted.parity);
    if (answers.parity && *answers.parity != parity)
        return Refusal{kParityNameId, parityText(parity), parityText(*answers.parity)};
    const int stop = stopValue(wanted.stopBits);
    if (answers.stopBits && *answers.stopBits != stop)
        return Refusal{kStopBitsNameId, stopText(stop), stopText(*answers.stopBits)};
    return std::nullopt;
}

std::optional<Refusal> refusedFlowControl(unsigned char wanted, const Answers &answers)
{
    if (answers.flowControl && *answers.flowControl != wanted)
        return Refusal{kHandshakeNameId, flowText(wanted), flowText(*answers.flowControl)};
    return std::nullopt;
}

std::optional<Refusal> unanswered(const PortSettings *line,
                                  std::optional<unsigned char> flowControl, const Answers &answers)
{
    if (line && !answers.baud)
        return Refusal{kBaudNameId, QString::number(line->baud), {}};
    if (line && !answers.dataBits)
        return Refusal{kDataBitsNameId, QString::number(line->dataBits), {}};
    if (line && !answers.parity)
        return Refusal{kParityNameId, parityText(parityValue(line->parity)), {}};
    if (line && !answers.stopBits)
        return Refusal{kStopBitsNameId, stopText(stopValue(line->stopBits)), {}};
    if (flowControl && !answers.flowControl)
        return Refusal{kHandshakeNameId, flowText(*flowControl), {}};
    return std::nullopt;
}

} // namespace Rfc2217
