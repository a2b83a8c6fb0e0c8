#include "ports/TcpConnect.h"

#include "host/WaitMilliseconds.h"

#include <QHostAddress>
#include <QHostInfo>
#include <QList>
#include <QObject>
#include <QSocketNotifier>

#include <arpa/inet.h>
#include <net/if.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Failure = TcpConnection::Failure;

Failure failureOf(int err)
{
    switch (err) {
    case ECONNREFUSED:
        return Failure::Refused;
    case ENETUNREACH:
    case EHOSTUNREACH:
    case ENETDOWN:
    case EHOSTDOWN:
        return Failure::Unreachable;
    case ETIMEDOUT:
        return Failure::TimedOut;
    default:
        return Failure::Other;
    }
}

Failure endFailure(EventWait::End end)
{
    return end == EventWait::End::Cancelled ? Failure::Cancelled : Failure::TimedOut;
}

// The addresses of a host: an address written as such, or what the name
// service answers (Qt asks it away from the window's thread).
QList<QHostAddress> addressesOf(const QString &host, EventWait &wait, TcpConnection &result)
{
    QHostAddress literal;
    if (literal.setAddress(host))
        return {literal};
    QObject context; // no answer is delivered once this function has returned
    std::optional<QHostInfo> answer;
    const int lookup = QHostInfo::lookupHost(host, &context, [&answer, &wait](const QHostInfo &info) {
        answer = info;
        wait.wake();
    });
    while (!answer) {
        const EventWait::End end = wait.wait();
        if (!answer && end != EventWait::End::Woken) {
            QHostInfo::abortHostLookup(lookup);
            result.failure = endFailure(end);
            return {};
        }
    }
    if (answer->error() != QHostInfo::NoError || answer->addresses().isEmpty()) {
        result.failure = Failure::NameNotFound;
        return {};
    }
    return answer->addresses();
}

// The number of the interface an address names; 0 for none, nothing when
// it names one that does not exist.
std::optional<uint> interfaceOf(const QHostAddress &address)
{
    const QString scope = address.scopeId();
    if (scope.isEmpty())
        return 0u;
    bool numeric = false;
    const uint index = scope.toUInt(&numeric);
    if (numeric)
        return index;
    const uint named = ::if_nametoindex(scope.toLocal8Bit().constData());
    if (named == 0)
        return std::nullopt;
    return named;
}

socklen_t socketAddress(const QHostAddress &address, quint16 port, uint interface,
                        sockaddr_storage &storage)
{
    std::memset(&storage, 0, sizeof storage);
    if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        auto *in = reinterpret_cast<sockaddr_in *>(&storage);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(address.toIPv4Address());
        return sizeof(sockaddr_in);
    }
    auto *in6 = reinterpret_cast<sockaddr_in6 *>(&storage);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    const Q_IPV6ADDR bytes = address.toIPv6Address();
    std::memcpy(&in6->sin6_addr, bytes.c, sizeof bytes.c);
    in6->sin6_scope_id = interface;
    return sizeof(sockaddr_in6);
}

// One address: the socket once connected, else -1 with the failure filled in.
int connectTo(const QHostAddress &address, quint16 port, EventWait &wait, TcpConnection &result)
{
    const std::optional<uint> interface = interfaceOf(address);
    if (!interface || (*interface == 0 && address.protocol() == QAbstractSocket::IPv6Protocol &&
                       address.isLinkLocal())) {
        result.error = interface ? EINVAL : ENODEV;
        result.failure = interface ? Failure::NeedsInterface : Failure::NoInterface;
        return -1;
    }
    sockaddr_storage storage{};
    const socklen_t length = socketAddress(address, port, *interface, storage);
    const int fd = ::socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        result.error = errno;
        result.failure = failureOf(result.error);
        return -1;
    }
    int err = 0;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&storage), length) != 0) {
        err = errno;
        if (err == EINPROGRESS) {
            QSocketNotifier writable(fd, QSocketNotifier::Write);
            QObject::connect(&writable, &QSocketNotifier::activated, &writable,
                             [&wait] { wait.wake(); });
            for (;;) {
                pollfd watch{fd, POLLOUT, 0};
                if (::poll(&watch, 1, 0) > 0)
                    break;
                const EventWait::End end = wait.wait();
                if (end != EventWait::End::Woken) {
                    ::close(fd);
                    result.error = end == EventWait::End::Cancelled ? 0 : ETIMEDOUT;
                    result.failure = endFailure(end);
                    return -1;
                }
            }
            socklen_t size = sizeof err;
            if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &size) != 0)
                err = errno;
        }
    }
    if (err == 0)
        return fd;
    ::close(fd);
    result.error = err;
    result.failure = failureOf(err);
    return -1;
}

} // namespace

TcpConnection connectTcp(const QString &host, quint16 port, EventWait &wait)
{
    TcpConnection result;
    const QList<QHostAddress> addresses = addressesOf(host, wait, result);
    std::optional<TcpConnection> refused;
    std::optional<TcpConnection> first;
    for (const QHostAddress &address : addresses) {
        TcpConnection attempt;
        attempt.fd = connectTo(address, port, wait, attempt);
        if (attempt.fd >= 0)
            return attempt;
        if (attempt.failure == Failure::Cancelled || attempt.failure == Failure::TimedOut)
            return attempt; // the wait is over for every address
        if (attempt.failure == Failure::Refused && !refused)
            refused = attempt;
        if (!first)
            first = attempt;
    }
    if (refused)
        return *refused;
    if (first)
        return *first;
    return result;
}
