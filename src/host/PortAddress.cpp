#include "host/PortAddress.h"

#include <QStringList>

namespace {

constexpr qsizetype kMostHostCharacters = 253; // the longest name DNS carries
constexpr qsizetype kMostInterfaceCharacters = 15; // the longest interface name Linux gives

bool isNameCharacter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'_';
}

bool isHostName(const QString &host)
{
    if (host.isEmpty() || host.size() > kMostHostCharacters)
        return false;
    const QStringList labels = host.split(u'.');
    for (const QString &label : labels) {
        if (label.isEmpty())
            return false;
        for (const QChar c : label) {
            if (!isNameCharacter(c))
                return false;
        }
    }
    return true;
}

// An interface as an IPv6 address names it after '%': its name or number.
bool isInterfaceName(QStringView zone)
{
    if (zone.isEmpty() || zone.size() > kMostInterfaceCharacters)
        return false;
    for (const QChar c : zone) {
        if (!isNameCharacter(c) && c != u'.')
            return false;
    }
    return true;
}

// The characters of an IPv6 address, with an IPv4 tail, and the interface
// after a '%' where one is named (fe80::1%eth0); whether they make an
// address is for the connection to find out.
bool isIpv6Text(const QString &host)
{
    const qsizetype percent = host.indexOf(u'%');
    const QStringView address = QStringView(host).left(percent < 0 ? host.size() : percent);
    if (percent >= 0 && !isInterfaceName(QStringView(host).mid(percent + 1)))
        return false;
    if (address.size() < 2 || !address.contains(u':'))
        return false;
    for (const QChar c : address) {
        const bool hex = (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') ||
                         (c >= u'A' && c <= u'F');
        if (!hex && c != u':' && c != u'.')
            return false;
    }
    return true;
}

std::optional<quint16> portNumber(const QString &text)
{
    if (text.isEmpty() || text.size() > 5 || text.startsWith(u'0'))
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > 65535)
        return std::nullopt;
    return quint16(value);
}

std::optional<PortAddress> addressOf(PortAddress::Kind kind, const QString &rest)
{
    QString host;
    QString port;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0 || rest.mid(close + 1, 1) != QLatin1String(":"))
            return std::nullopt;
        host = rest.mid(1, close - 1);
        port = rest.mid(close + 2);
        if (!isIpv6Text(host))
            return std::nullopt;
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        if (colon < 0)
            return std::nullopt;
        host = rest.left(colon);
        port = rest.mid(colon + 1);
        if (!isHostName(host))
            return std::nullopt;
    }
    const std::optional<quint16> number = portNumber(port);
    if (!number)
        return std::nullopt;
    PortAddress address;
    address.kind = kind;
    address.host = host;
    address.port = *number;
    return address;
}

} // namespace

std::optional<PortAddress> PortAddress::parse(const QString &entry)
{
    static const QString rfc2217 = QStringLiteral("rfc2217://");
    static const QString socket = QStringLiteral("socket://");
    if (entry == QLatin1String("loop://"))
        return PortAddress{};
    if (entry.startsWith(rfc2217))
        return addressOf(Kind::Rfc2217, entry.mid(rfc2217.size()));
    if (entry.startsWith(socket))
        return addressOf(Kind::Socket, entry.mid(socket.size()));
    return std::nullopt;
}

QString PortAddress::hostAndPort() const
{
    if (kind == Kind::Loop)
        return {};
    const QString shownHost =
        host.contains(u':') ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return shownHost + QLatin1Char(':') + QString::number(port);
}
