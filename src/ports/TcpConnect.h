#pragma once

#include <QString>

class EventWait;

// A TCP connection made without holding up the window: the host name is
// looked up and every address it has is tried in turn, while the window's
// events run, until one connects or the wait ends (its deadline, a cancel, or
// the program ending). The socket comes back non-blocking.
struct TcpConnection {
    enum class Failure {
        None,
        NameNotFound,
        Refused,
        Unreachable,
        TimedOut,
        Cancelled,
        NoInterface,    // the address names a network interface that does not exist
        NeedsInterface, // a link-local address without its interface
        Other
    };

    int fd = -1;
    Failure failure = Failure::None;
    int error = 0; // the system's errno where there is one
};

// A refusal on any address wins over other failures: a server exists but
// does not listen there. An IPv6 address may name its interface after a '%'
// (fe80::1%eth0, or its number); a link-local one must, since only the
// interface tells which link it is on. Neither kind of fault sends anything.
TcpConnection connectTcp(const QString &host, quint16 port, EventWait &wait);
