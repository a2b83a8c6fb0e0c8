#include "ports/PortTables.h"

#include <array>

namespace {

constexpr std::array<const char *, PortTables::kBaudCount> kBaud = {
    "300",   "600",   "1200",   "2400",   "4800",   "9600",   "19200",
    "38400", "56000", "57600", "115200", "230400", "460800", "921600",
};

constexpr std::array<const char *, PortTables::kFormatCount> kFormat = {
    ",N,8,1", ",N,7,2", ",E,7,1", ",O,7,1", ",N,8,2", ",E,8,1", ",O,8,1",
};

constexpr std::array<const char *, 4> kHandshake = {"None", "XOnXoff", "RTS", "RTSXOnXOff"};

} // namespace

namespace PortTables {

QString baudText(quint8 baudrateIndex)
{
    return QString::fromLatin1(baudrateIndex < kBaud.size() ? kBaud[baudrateIndex] : "9600");
}

QString baudText(quint8 baudrateIndex, qint32 baudValue)
{
    return baudValue != 0 ? QString::number(baudValue) : baudText(baudrateIndex);
}

QString formatText(quint8 dataformatIndex)
{
    return QString::fromLatin1(dataformatIndex < kFormat.size() ? kFormat[dataformatIndex]
                                                                : ",N,8,1");
}

QString handshakeName(quint8 handshake)
{
    return handshake < kHandshake.size() ? QString::fromLatin1(kHandshake[handshake]) : QString();
}

} // namespace PortTables
