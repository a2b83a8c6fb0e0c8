#include "ports/LineAttributes.h"

#include "ports/PortErrors.h"
#include "ports/PortText.h"
#include "ports/SerialPortControl.h"
#include "ports/termios2_baud.h"

#include <QStringList>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <termios.h>

namespace {

constexpr tcflag_t parityBits = PARENB | PARODD | CMSPAR;

// String-table IDs of the messages.
constexpr qint32 kUnknownHandshake = 2020;
constexpr qint32 kNotSupported = 2035;
constexpr qint32 kBaudPart = 2036;
constexpr qint32 kDataBitsPart = 2037;
constexpr qint32 kRtsCtsPart = 2046;
constexpr qint32 kXonXoffPart = 2047;
constexpr qint32 kCannotRead = 2048;
constexpr qint32 kCannotReadBack = 2049;
constexpr qint32 kRefused = 2050;
constexpr qint32 kBaudGotPart = 2311;
constexpr tcflag_t flowInputBits = IXON | IXOFF | IXANY;

std::optional<speed_t> standardSpeed(qint32 baud)
{
    struct Entry {
        qint32 baud;
        speed_t code;
    };
    static constexpr Entry table[] = {
        {50, B50},         {75, B75},         {110, B110},       {134, B134},
        {150, B150},       {200, B200},       {300, B300},       {600, B600},
        {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800}, {500000, B500000},
        {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const Entry &entry : table) {
        if (entry.baud == baud)
            return entry.code;
    }
    return std::nullopt;
}

tcflag_t dataBitsFlag(int dataBits)
{
    switch (dataBits) {
    case 5:
        return CS5;
    case 6:
        return CS6;
    case 7:
        return CS7;
    default:
        return CS8;
    }
}

tcflag_t parityFlags(Parity parity)
{
    switch (parity) {
    case Parity::None:
        return 0;
    case Parity::Even:
        return PARENB;
    case Parity::Odd:
        return PARENB | PARODD;
    case Parity::Mark:
        return PARENB | PARODD | CMSPAR;
    case Parity::Space:
        return PARENB | CMSPAR;
    }
    return 0;
}

bool usesXonXoff(Handshake h) { return h == Handshake::XonXoff || h == Handshake::Both; }
bool usesRtsCts(Handshake h) { return h == Handshake::RtsCts || h == Handshake::Both; }

termios rawAttributes(termios t, const PortSettings &settings, Handshake handshake)
{
    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | parityBits | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD | dataBitsFlag(settings.dataBits) | parityFlags(settings.parity);
    if (settings.stopBits != StopBits::One)
        t.c_cflag |= CSTOPB; // with 5 data bits a UART sends 1.5 stop bits for it
    if (usesRtsCts(handshake))
        t.c_cflag |= CRTSCTS;
    // IXANY stays off: any received byte would otherwise restart held output.
    t.c_iflag &= ~flowInputBits;
    if (usesXonXoff(handshake))
        t.c_iflag |= IXON | IXOFF;
    // One byte minimum makes a non-blocking read answer EAGAIN when nothing
    // waits, so a read of 0 bytes means hang-up.
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    return t;
}

[[noreturn]] void systemFailure(quint8 language, qint32 id)
{
    const int err = errno;
    throw PortError(err, PortText::withSystemText(language, id, {}, err));
}

// The rate the driver holds, unless it is within 2% of the one wanted.
std::optional<QString> baudRefusal(int fd, qint32 wanted, quint8 language)
{
    unsigned int got = 0;
    if (termios2_getBaud(fd, &got) != 0)
        return PortText::text(language, kBaudPart, {QString::number(wanted)});
    if (std::llabs(qint64(got) - wanted) * 50 <= wanted)
        return std::nullopt;
    return PortText::text(language, kBaudGotPart, {QString::number(wanted), QString::number(got)});
}

QStringList refusedParts(int fd, const termios &got, const PortSettings &settings,
                         Handshake handshake, quint8 language)
{
    QStringList refused;
    if (const auto baud = baudRefusal(fd, settings.baud, language))
        refused << *baud;
    if ((got.c_cflag & CSIZE) != dataBitsFlag(settings.dataBits))
        refused << PortText::text(language, kDataBitsPart, {QString::number(settings.dataBits)});
    const tcflag_t wantedParity = parityFlags(settings.parity);
    const tcflag_t gotParity = (got.c_cflag & PARENB) ? (got.c_cflag & parityBits) : 0;
    if (gotParity != wantedParity)
        refused << parityName(settings.parity, language);
    if (bool(got.c_cflag & CSTOPB) != (settings.stopBits != StopBits::One))
        refused << stopBitsName(settings.stopBits, language);
    if (bool(got.c_cflag & CRTSCTS) != usesRtsCts(handshake))
        refused << PortText::text(language, kRtsCtsPart);
    const tcflag_t wantedFlow = usesXonXoff(handshake) ? (IXON | IXOFF) : 0;
    if ((got.c_iflag & flowInputBits) != wantedFlow)
        refused << PortText::text(language, kXonXoffPart);
    return refused;
}

} // namespace

Handshake handshakeFromMode(qint32 mode, quint8 language)
{
    if (mode < 0 || mode > 3)
        throw PortError(PortErrors::UnsupportedHandshake,
                        PortText::text(language, kUnknownHandshake, {QString::number(mode)}));
    return Handshake(mode);
}

void applyLineAttributes(int fd, const PortSettings &settings, Handshake handshake, quint8 language)
{
    termios current{};
    if (tcgetattr(fd, &current) != 0)
        systemFailure(language, kCannotRead);

    termios wanted = rawAttributes(current, settings, handshake);
    const std::optional<speed_t> speed = standardSpeed(settings.baud);
    if (speed) {
        cfsetispeed(&wanted, *speed);
        cfsetospeed(&wanted, *speed);
    }
    // The C library reports a failure only when nothing at all was taken, and
    // a device may quietly keep its own values: the read-back decides.
    const int setResult = tcsetattr(fd, TCSANOW, &wanted);
    const int setErrno = errno;
    if (!speed)
        termios2_setBaud(fd, unsigned(settings.baud)); // judged by the read-back

    termios got{};
    if (tcgetattr(fd, &got) != 0)
        systemFailure(language, kCannotReadBack);
    const QStringList refused = refusedParts(fd, got, settings, handshake, language);
    if (!refused.isEmpty())
        throw PortError(
            PortErrors::UnsupportedSetting,
            PortText::text(language, kNotSupported, {refused.join(QStringLiteral(", "))}));
    if (setResult != 0)
        throw PortError(setErrno, PortText::withSystemText(language, kRefused, {}, setErrno));
}
