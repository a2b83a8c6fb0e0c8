#include "Peers.h"

#include "Probes.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <memory>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace Peers {

namespace {

constexpr int kOpenTimeoutMs = 20000;

struct Known {
    const char *name;
    const char *program;
};
const Known kKnown[] = {{"CuteCom", "cutecom"}, {"gtkterm", "gtkterm"}, {"picocom", "picocom"}};

QString rateText()
{
    return QStringLiteral("921600");
}

// A session that names the port, so that pressing Open opens it.
bool writeCuteComSession(const QString &home, const QString &port)
{
    QDir().mkpath(home + QStringLiteral("/.config/CuteCom"));
    QFile file(home + QStringLiteral("/.config/CuteCom/CuteCom5.conf"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("[sessions]\n1\\BaudRate=%1\n1\\DataBits=8\n1\\Device=%2\n"
                              "1\\FlowControl=0\n1\\OpenMode=3\n1\\Parity=0\n1\\StopBits=1\n"
                              "1\\autoReconnect=false\n1\\name=Default\n"
                              "1\\showCtrlCharacters=false\n1\\showTimestamp=false\nsize=1\n")
                   .arg(rateText(), port)
                   .toUtf8());
    return true;
}

// Without a configuration file gtkterm greets with a box and opens nothing.
bool writeGtktermConfiguration(const QString &home, const QString &port)
{
    QDir().mkpath(home + QStringLiteral("/.config"));
    QFile file(home + QStringLiteral("/.config/.gtktermrc"));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("[default]\nport\t= %1\nspeed\t= %2\nbits\t= 8\nstopbits\t= 1\n"
                              "parity\t= none\nflow\t= none\nwait_delay\t= 0\nwait_char\t= -1\n"
                              "echo\t= False\ncrlfauto\t= False\ntimestamp\t= False\n"
                              "font\t= \"Monospace 12\"\nterm_scrollback\t= 10000\n")
                   .arg(port, rateText())
                   .toUtf8());
    return true;
}

bool holdsOpen(qint64 pid, const QString &path)
{
    const QDir fds(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString &fd : fds.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot))
        if (QFileInfo(fds.filePath(fd)).symLinkTarget() == path)
            return true;
    return false;
}

void runEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QString xdotool(const QStringList &arguments, int timeoutMs = 20000)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(timeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
}

// Presses CuteCom's Open button (Alt+O) once its window is there.
void pressOpen(qint64 pid)
{
    const QString windows = xdotool({QStringLiteral("search"), QStringLiteral("--sync"),
                                     QStringLiteral("--pid"), QString::number(pid)});
    const QString window = windows.split(u'\n').last();
    if (window.isEmpty())
        return;
    runEventsFor(500); // the window maps and takes its settings
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
    xdotool({QStringLiteral("key"), QStringLiteral("--window"), window, QStringLiteral("alt+o")});
}

// A lock file under /run/lock that the peer left behind when it was stopped.
void removeLockOf(qint64 pid, const QString &port)
{
    const QString name = QStringLiteral("/run/lock/LCK..") + port.mid(5).replace(u'/', u'_');
    QFile lock(name);
    if (lock.open(QIODevice::ReadOnly) &&
        lock.readAll().trimmed().split('\n').first().trimmed() == QByteArray::number(pid))
        QFile::remove(name);
}

} // namespace

QList<Prepared> prepare(const Feed::Plan &plan)
{
    QList<Prepared> peers;
    for (const Known &known : kKnown) {
        Prepared peer;
        peer.name = QString::fromLatin1(known.name);
        peer.program = QStandardPaths::findExecutable(QString::fromLatin1(known.program));
        if (!peer.program.isEmpty()) {
            int slave = -1;
            char slaveName[256] = {};
            if (::openpty(&peer.master, &slave, slaveName, nullptr, nullptr) == 0) {
                ::close(slave); // the pseudo-terminal stays while its master is open
                peer.slavePath = QString::fromLocal8Bit(slaveName);
                peer.feed = Feed::startChild(peer.master, plan);
            }
        }
        peers.append(peer);
    }
    return peers;
}

void release(QList<Prepared> &peers)
{
    for (Prepared &peer : peers) {
        if (peer.feed.pid > 0) {
            ::kill(peer.feed.pid, SIGTERM);
            ::waitpid(peer.feed.pid, nullptr, 0);
            ::close(peer.feed.go);
            ::close(peer.feed.done);
            peer.feed = {};
        }
        if (peer.master >= 0)
            ::close(std::exchange(peer.master, -1));
    }
}

Result measure(Prepared &peer, const Feed::Plan &plan, qint64 serverPid)
{
    Result result;
    result.name = peer.name;
    if (peer.program.isEmpty()) {
        result.failure = QStringLiteral("not installed");
        return result;
    }
    if (peer.feed.pid <= 0) {
        result.failure = QStringLiteral("no pseudo-terminal or feed");
        return result;
    }
    QTemporaryDir home;
    const bool cuteCom = peer.name == QLatin1String("CuteCom");
    const bool console = peer.name == QLatin1String("picocom");
    if ((cuteCom && !writeCuteComSession(home.path(), peer.slavePath)) ||
        (peer.name == QLatin1String("gtkterm") &&
         !writeGtktermConfiguration(home.path(), peer.slavePath))) {
        result.failure = QStringLiteral("cannot write its configuration");
        return result;
    }
    const QByteArray homePath = home.path().toLocal8Bit();
    const QByteArray configPath = homePath + "/.config";
    const QByteArray shim = QByteArrayLiteral(LINTROVA_PTY_SHIM);
    const QByteArray port = peer.slavePath.toLocal8Bit();

    qint64 pid = 0;
    std::unique_ptr<QProcess> process;
    int consoleMaster = -1;
    std::unique_ptr<QSocketNotifier> drain;
    if (console) {
        // A terminal for picocom that shows nothing: its output is read and dropped.
        const pid_t child = ::forkpty(&consoleMaster, nullptr, nullptr, nullptr);
        if (child == 0) {
            ::setenv("HOME", homePath.constData(), 1);
            ::setenv("LD_PRELOAD", shim.constData(), 1);
            ::execlp("picocom", "picocom", "-b", "921600", "-q", port.constData(),
                     static_cast<char *>(nullptr));
            _exit(127);
        }
        pid = child;
        drain = std::make_unique<QSocketNotifier>(consoleMaster, QSocketNotifier::Read);
        QObject::connect(drain.get(), &QSocketNotifier::activated, [consoleMaster] {
            char buffer[65536];
            while (::read(consoleMaster, buffer, sizeof buffer) == sizeof buffer) {
            }
        });
    } else {
        process = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromLocal8Bit(configPath));
        environment.insert(QStringLiteral("LD_PRELOAD"), QString::fromLocal8Bit(shim));
        process->setProcessEnvironment(environment);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        const QStringList arguments = cuteCom ? QStringList{QStringLiteral("-s"),
                                                            QStringLiteral("Default")}
                                              : QStringList{QStringLiteral("-L"),
                                                            QStringLiteral("-p"), peer.slavePath,
                                                            QStringLiteral("-s"), rateText()};
        process->start(peer.program, arguments);
        if (!process->waitForStarted(kOpenTimeoutMs)) {
            result.failure = QStringLiteral("did not start");
            return result;
        }
        pid = process->processId();
        if (cuteCom)
            pressOpen(pid);
    }

    const auto alive = [&] {
        return process ? process->state() == QProcess::Running
                       : ::waitpid(pid_t(pid), nullptr, WNOHANG) == 0;
    };
    for (int waited = 0; waited < kOpenTimeoutMs && alive() && !holdsOpen(pid, peer.slavePath);
         waited += 100)
        runEventsFor(100);
    if (!holdsOpen(pid, peer.slavePath)) {
        result.failure = QStringLiteral("did not open its pseudo-terminal");
    } else {
        runEventsFor(1000); // it settles
        const double cpu = Probes::processCpuSeconds(pid);
        const double server = Probes::processCpuSeconds(serverPid);
        const qint64 startNs = Feed::monotonicNs();
        Feed::Report report;
        bool reported = false;
        QSocketNotifier doneWatch(peer.feed.done, QSocketNotifier::Read);
        QEventLoop loop;
        QObject::connect(&doneWatch, &QSocketNotifier::activated, [&] {
            reported = ::read(peer.feed.done, &report, sizeof report) == sizeof report;
            doneWatch.setEnabled(false);
            loop.quit();
        });
        QTimer::singleShot(int((plan.seconds + 60) * 1000), &loop, &QEventLoop::quit);
        const char go = 1;
        if (::write(peer.feed.go, &go, 1) == 1)
            loop.exec();
        if (!reported) {
            result.failure = QStringLiteral("the feed did not end");
        } else {
            result.cpuSeconds = Probes::processCpuSeconds(pid) - cpu;
            const double serverNow = Probes::processCpuSeconds(serverPid);
            result.serverCpuSeconds = server < 0 || serverNow < 0 ? -1 : serverNow - server;
            result.seconds = (report.lastWriteNs - startNs) / 1e9;
            result.bytes = report.bytesWritten;
        }
    }
    if (process) {
        process->terminate();
        if (!process->waitForFinished(5000)) {
            process->kill();
            process->waitForFinished();
        }
    } else if (pid > 0) {
        drain.reset();
        ::kill(pid_t(pid), SIGTERM);
        ::waitpid(pid_t(pid), nullptr, 0);
        ::close(consoleMaster);
    }
    removeLockOf(pid, peer.slavePath);
    ::kill(peer.feed.pid, SIGTERM); // done already, unless it never ended
    ::waitpid(peer.feed.pid, nullptr, 0);
    ::close(peer.feed.go);
    ::close(peer.feed.done);
    peer.feed = {};
    ::close(std::exchange(peer.master, -1));
    return result;
}

} // namespace Peers
