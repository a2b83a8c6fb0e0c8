#pragma once

#include "ports/DeviceCalls.h"

#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <sys/ioctl.h>

// The real system calls, each recorded in order ("write 3", "queued 400",
// "drain", "RTS off", "discard", "discard input", "open", "modem lines",
// "BREAK on"), with modem lines and break failures scripted, and a line the
// test can script:
// characters written stay queued and leave at `charsPerSecond` (0: the
// device holds the line) on a clock that moves by `step` at every look at
// the queue. A pseudo-terminal would drain at once.
class ScriptedDevice : public DeviceCalls {
public:
    QStringList calls;
    bool scriptLine = false;
    double charsPerSecond = 0;
    std::chrono::milliseconds step{500};
    double queued = 0;
    // Openings that fail with openErrno before the real one is made.
    int failingOpens = 0;
    int openErrno = EACCES;
    // What TIOCMGET answers (TIOCM_* bits); -1: the device's own answer.
    int modemBits = -1;
    // The errno a break fails with; 0: the device's own answer.
    int breakErrno = 0;

    std::chrono::milliseconds elapsed() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_now - Clock::time_point());
    }

    int open(const QByteArray &path, int flags) override
    {
        calls.append(QStringLiteral("open"));
        if (failingOpens > 0) {
            --failingOpens;
            errno = openErrno;
            return -1;
        }
        return DeviceCalls::open(path, flags);
    }
    ssize_t write(int fd, const char *data, size_t size) override
    {
        const ssize_t n = DeviceCalls::write(fd, data, size);
        calls.append(QStringLiteral("write %1").arg(n));
        if (n > 0 && scriptLine)
            queued += double(n);
        return n;
    }
    int queuedOutput(int fd, int *count) override
    {
        if (!scriptLine)
            return record(QStringLiteral("queued"), DeviceCalls::queuedOutput(fd, count));
        m_now += step;
        queued = std::max(0.0, queued - charsPerSecond * double(step.count()) / 1000.0);
        *count = int(queued + 0.999);
        calls.append(QStringLiteral("queued %1").arg(*count));
        return 0;
    }
    int drain(int fd) override { return record(QStringLiteral("drain"), DeviceCalls::drain(fd)); }
    int discardOutput(int fd) override
    {
        if (scriptLine)
            queued = 0;
        return record(QStringLiteral("discard"), DeviceCalls::discardOutput(fd));
    }
    int discardInput(int fd) override
    {
        return record(QStringLiteral("discard input"), DeviceCalls::discardInput(fd));
    }
    int setModemLine(int fd, int line, bool on) override
    {
        const QString name = line == TIOCM_RTS ? QStringLiteral("RTS") : QStringLiteral("DTR");
        return record(name + (on ? QStringLiteral(" on") : QStringLiteral(" off")),
                      DeviceCalls::setModemLine(fd, line, on));
    }
    int modemLines(int fd, int *bits) override
    {
        const int result = modemBits < 0 ? DeviceCalls::modemLines(fd, bits)
                                         : (*bits = modemBits, 0);
        return record(QStringLiteral("modem lines"), result);
    }
    int setBreak(int fd, bool on) override
    {
        const int result = breakErrno == 0 ? DeviceCalls::setBreak(fd, on)
                                           : (errno = breakErrno, -1);
        return record(on ? QStringLiteral("BREAK on") : QStringLiteral("BREAK off"), result);
    }
    Clock::time_point now() override { return scriptLine ? m_now : DeviceCalls::now(); }

private:
    int record(const QString &call, int result)
    {
        const int err = errno;
        calls.append(call);
        errno = err;
        return result;
    }
    Clock::time_point m_now{};
};
