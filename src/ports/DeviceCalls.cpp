#include "ports/DeviceCalls.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

int DeviceCalls::open(const QByteArray &path, int flags)
{
    return ::open(path.constData(), flags);
}

ssize_t DeviceCalls::write(int fd, const char *data, size_t size)
{
    return ::write(fd, data, size);
}

int DeviceCalls::queuedOutput(int fd, int *count)
{
    return ::ioctl(fd, TIOCOUTQ, count);
}

int DeviceCalls::drain(int fd)
{
    return ::tcdrain(fd);
}

int DeviceCalls::discardOutput(int fd)
{
    return ::tcflush(fd, TCOFLUSH);
}

int DeviceCalls::discardInput(int fd)
{
    return ::tcflush(fd, TCIFLUSH);
}

int DeviceCalls::setModemLine(int fd, int line, bool on)
{
    return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
}

int DeviceCalls::modemLines(int fd, int *bits)
{
    return ::ioctl(fd, TIOCMGET, bits);
}

int DeviceCalls::setBreak(int fd, bool on)
{
    return ::ioctl(fd, on ? TIOCSBRK : TIOCCBRK);
}

DeviceCalls::Clock::time_point DeviceCalls::now()
{
    return Clock::now();
}

DeviceCalls &DeviceCalls::system()
{
    static DeviceCalls calls;
    return calls;
}
