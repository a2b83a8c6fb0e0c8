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

using Fault = PortAddress::Fault;

// Digits without a leading zero, from 1 to 65535.
Fault portFault(const QString &text)
{
    if (text.isEmpty())
        return Fault::NoPort;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return Fault::PortNotNumber;
    }
    if (text.startsWith(u'0') && text.size() > 1)
        return Fault::PortNotNumber;
    return text == u"0" || text.size() > 5 || text.toInt() > 65535 ? Fault::PortOutOfRange
                                                                   : Fault::None;
}

// The address after the scheme, or why there is none.
PortAddress::Problem readAddress(const QString &rest, PortAddress &address)
{
    QString port;
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        address.host = rest.mid(1, close - 1);
        if (close < 0 || !isIpv6Text(address.host))
            return {Fault::NotHost, close < 0 ? rest : address.host};
        if (rest.mid(close + 1, 1) != QLatin1String(":"))
            return {Fault::NoPort, {}};
        port = rest.mid(close + 2);
    } else {
        const qsizetype colon = rest.lastIndexOf(u':');
        address.host = rest.left(colon < 0 ? rest.size() : colon);
        if (address.host.size() > kMostHostCharacters)
            return {Fault::HostTooLong, {}};
        if (!isHostName(address.host))
            return {address.host.isEmpty() ? Fault::NoHost : Fault::NotHost, address.host};
        if (colon < 0)
            return {Fault::NoPort, {}};
        port = rest.mid(colon + 1);
    }
    const Fault fault = portFault(port);
    if (fault != Fault::None)
        return {fault, fault == Fault::NoPort ? QString() : port};
    address.port = quint16(port.toInt());
    return {};
}

// The scheme's kind and the text after it, for the two network forms.
std::optional<std::pair<PortAddress::Kind, QString>> networkForm(const QString &entry)
{
    static const QString rfc2217 = QStringLiteral("rfc2217://");
    static const QString socket = QStringLiteral("socket://");
    if (entry.startsWith(rfc2217))
        return std::pair{PortAddress::Kind::Rfc2217, entry.mid(rfc2217.size())};
    if (entry.startsWith(socket))
        return std::pair{PortAddress::Kind::Socket, entry.mid(socket.size())};
    return std::nullopt;
}

} // namespace

std::optional<PortAddress> PortAddress::parse(const QString &entry)
{
    if (entry == QLatin1String("loop://"))
        return PortAddress{};
    const auto form = networkForm(entry);
    if (!form)
        return std::nullopt;
    PortAddress address;
    address.kind = form->first;
    if (readAddress(form->second, address).fault != Fault::None)
        return std::nullopt;
    return address;
}

PortAddress::Problem PortAddress::problemOf(const QString &entry)
{
    const auto form = networkForm(entry);
    PortAddress address;
    return form ? readAddress(form->second, address) : Problem{};
}

QString PortAddress::hostAndPort() const
{
    if (kind == Kind::Loop)
        return {};
    const QString shownHost =
        host.contains(u':') ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return shownHost + QLatin1Char(':') + QString::number(port);
}
