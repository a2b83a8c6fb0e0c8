#include "Display.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The process of an X server on the display, found by its command line.
qint64 findServer(const QString &display)
{
    const QStringList entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs);
    for (const QString &entry : entries) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number)
            continue;
        QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> args = cmdline.readAll().split('\0');
        if (args.isEmpty())
            continue;
        const QByteArray program = args.first().mid(args.first().lastIndexOf('/') + 1);
        if ((program == "Xvfb" || program == "Xorg" || program == "X") &&
            args.contains(display.toLocal8Bit()))
            return pid;
    }
    return 0;
}

} // namespace

Display::~Display()
{
    if (m_started > 0) {
        ::kill(m_started, SIGTERM);
        ::waitpid(m_started, nullptr, 0);
    }
}

bool Display::open()
{
    const QByteArray given = qgetenv("DISPLAY");
    if (!given.isEmpty()) {
        m_name = QString::fromLocal8Bit(given);
        m_serverPid = findServer(m_name);
        return true;
    }
    int fds[2];
    if (::pipe(fds) != 0)
        return false;
    m_started = fork();
    if (m_started == 0) {
        ::close(fds[0]);
        const QByteArray fd = QByteArray::number(fds[1]);
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.constData(), "-screen", "0", "1280x1024x24",
                 "-nolisten", "tcp", static_cast<char *>(nullptr));
        _exit(127);
    }
    ::close(fds[1]);
    QByteArray number;
    char c = 0;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        number.append(c);
    ::close(fds[0]);
    if (number.isEmpty())
        return false;
    m_name = QStringLiteral(":") + QString::fromLatin1(number);
    m_serverPid = m_started;
    qputenv("DISPLAY", m_name.toLocal8Bit());
    return true;
}
