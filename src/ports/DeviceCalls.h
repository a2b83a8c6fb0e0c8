#pragma once

#include <QByteArray>

#include <chrono>
#include <sys/types.h>

// The system calls the terminal-device port makes on its device, and the
// clock its waits are measured with. The port makes them through this class
// so that a test can stand between: record their order, or play a device
// whose output drains slowly (a pseudo-terminal drains at once) or whose node
// refuses to open for a while. Each call answers as the system call does: -1
// with errno set on failure.
class DeviceCalls {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~DeviceCalls() = default;

    virtual int open(const QByteArray &path, int flags);
    virtual ssize_t write(int fd, const char *data, size_t size);
    // Characters written but not yet sent (ioctl TIOCOUTQ).
    virtual int queuedOutput(int fd, int *count);
    // Waits until the transmitter is empty (tcdrain).
    virtual int drain(int fd);
    // Drops what is still queued for sending (tcflush TCOFLUSH).
    virtual int discardOutput(int fd);
    // Drops what was received and not yet read (tcflush TCIFLUSH).
    virtual int discardInput(int fd);
    // Raises or drops a modem line, TIOCM_DTR or TIOCM_RTS (TIOCMBIS/TIOCMBIC).
    virtual int setModemLine(int fd, int line, bool on);
    // Reads the modem lines as TIOCM_* bits (TIOCMGET).
    virtual int modemLines(int fd, int *bits);
    // Holds the line in the break state or releases it (TIOCSBRK/TIOCCBRK).
    virtual int setBreak(int fd, bool on);
    virtual Clock::time_point now();

    // The real system calls.
    static DeviceCalls &system();
};
