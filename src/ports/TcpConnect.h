#pragma once

#include <QString>

class EventWait;

// A TCP connection made without holding up the window: the host name is
// looked up and every address it has is tried in turn, while the window's
// events run, until one connects or the wait ends (its deadline, a cancel, or
// the program ending). The socket comes back non-blocking.
struct TcpConnection {
    enum class Failure { None, NameNotFound, Refused, Unreachable, TimedOut, Cancelled, Other };

    int fd = -1;
    Failure failure = Failure::None;
    int error = 0; // the system's errno where there is one
};

// A refusal on any address wins over other failures: a server exists but
// does not listen there.
TcpConnection connectTcp(const QString &host, quint16 port, EventWait &wait);
