#pragma once

#include <cstddef>
#include <sys/types.h>

// The system call the network port sends its bytes with. The port makes it
// through this class so that a test can stand between and record each send
// with its size: a transmission is to leave in as few sends as the socket
// takes, each one TCP segment where it fits. Answers as send(2) does: -1
// with errno set on failure.
class SocketCalls {
public:
    virtual ~SocketCalls() = default;

    virtual ssize_t send(int fd, const char *data, size_t size, int flags);

    // The real system call.
    static SocketCalls &system();
};
