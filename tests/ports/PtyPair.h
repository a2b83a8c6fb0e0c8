#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal standing in for a serial device: the port under test
// opens the slave by path, the test plays the device on the master.
class PtyPair {
public:
    PtyPair()
    {
        char name[256] = {};
        if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) == 0)
            m_path = QString::fromLocal8Bit(name);
    }
    ~PtyPair()
    {
        closeMaster();
        if (m_slave >= 0)
            ::close(m_slave);
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    bool ok() const { return m_master >= 0 && !m_path.isEmpty(); }
    const QString &path() const { return m_path; }
    int master() const { return m_master; }
    int slave() const { return m_slave; } // the test's own handle on the device

    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }

    bool write(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(m_master, bytes.constData() + done, bytes.size() - done);
            if (n < 0 && errno != EINTR)
                return false;
            if (n > 0)
                done += n;
        }
        return true;
    }

    // What the port sent, once `count` bytes have arrived or the time is up.
    QByteArray read(qsizetype count, int timeoutMs = 2000)
    {
        QByteArray got;
        QDeadlineTimer deadline(timeoutMs);
        while (got.size() < count && !deadline.hasExpired()) {
            pollfd watch{m_master, POLLIN, 0};
            if (::poll(&watch, 1, int(deadline.remainingTime())) <= 0)
                break;
            char buffer[4096];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            got.append(buffer, n);
        }
        return got;
    }

    // Whatever the port has sent within a short while.
    QByteArray readPending(int quietMs = 50) { return read(1 << 30, quietMs); }

    // The rate the port set on the device; B0 when it cannot be read.
    speed_t speed() const
    {
        termios attributes{};
        return ::tcgetattr(m_master, &attributes) == 0 ? cfgetospeed(&attributes) : B0;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};
