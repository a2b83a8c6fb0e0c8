#include "ports/SocketCalls.h"

#include <sys/socket.h>

ssize_t SocketCalls::send(int fd, const char *data, size_t size, int flags)
{
    return ::send(fd, data, size, flags);
}

SocketCalls &SocketCalls::system()
{
    static SocketCalls calls;
    return calls;
}
