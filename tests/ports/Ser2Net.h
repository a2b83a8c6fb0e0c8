#pragma once

#include "RequiredTool.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>

// Debian's serial device server ser2net on 127.0.0.1, started by a test with
// a configuration the test writes: one TCP port with RFC 2217 (a Telnet
// accepter) and one plain TCP port, both serving the same device, a
// pseudo-terminal whose other end the test plays.
class Ser2Net {
public:
    // Where ser2net is installed; empty when it is not (LINTROVA_REQUIRE_TOOL).
    static QString program()
    {
        const QString inPath = QStandardPaths::findExecutable(QStringLiteral("ser2net"));
        if (!inPath.isEmpty())
            return inPath;
        return QStandardPaths::findExecutable(QStringLiteral("ser2net"),
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin"),
                                               QStringLiteral("/usr/local/sbin")});
    }
    static constexpr const char *kMissing =
        "ser2net is not installed (tools/setup.sh installs it: apt-get install ser2net)";

    explicit Ser2Net(const QString &device, const QString &line = QStringLiteral("9600n81"))
        : m_device(device), m_line(line), m_rfc2217Port(freePort()), m_socketPort(freePort())
    {
        while (m_socketPort == m_rfc2217Port) // the system may hand out a port twice
            m_socketPort = freePort();
    }
    ~Ser2Net() { kill(); }
    Ser2Net(const Ser2Net &) = delete;
    Ser2Net &operator=(const Ser2Net &) = delete;

    quint16 rfc2217Port() const { return m_rfc2217Port; }
    quint16 socketPort() const { return m_socketPort; }
    QString rfc2217Url() const { return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_rfc2217Port); }
    QString socketUrl() const { return QStringLiteral("socket://127.0.0.1:%1").arg(m_socketPort); }

    // Starts it and waits until both ports take connections (at most 5 s).
    bool start()
    {
        const QString config = m_dir.filePath(QStringLiteral("ser2net.yaml"));
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write(QStringLiteral("%YAML 1.1\n---\n"
                                  "connection: &rfc2217\n"
                                  "    accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                                  "    enable: on\n"
                                  "    connector: serialdev,%3,%4,local\n"
                                  "connection: &plain\n"
                                  "    accepter: tcp,127.0.0.1,%2\n"
                                  "    enable: on\n"
                                  "    connector: serialdev,%3,%4,local\n")
                       .arg(m_rfc2217Port)
                       .arg(m_socketPort)
                       .arg(m_device, m_line)
                       .toLocal8Bit());
        file.close();
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        // In the foreground, its messages on standard error, its process id
        // in a file of its own (not the system's).
        m_process.start(program(), {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-c"),
                                    config, QStringLiteral("-P"),
                                    m_dir.filePath(QStringLiteral("ser2net.pid"))});
        if (!m_process.waitForStarted(5000))
            return false;
        QDeadlineTimer deadline(5000);
        while (!deadline.hasExpired()) {
            if (listening(m_rfc2217Port) && listening(m_socketPort))
                return true;
            if (m_process.state() != QProcess::Running)
                return false;
            QThread::msleep(10);
        }
        return false;
    }

    // Ends it at once, as a crash or a power cut would.
    void kill()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.kill();
        m_process.waitForFinished(5000);
    }

    // What it said, for a failing test.
    QString output() { return QString::fromLocal8Bit(m_process.readAll()); }
    qint64 pid() const { return m_process.processId(); }

private:
    static quint16 freePort()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    // Whether a socket listens on 127.0.0.1:port, without connecting to it
    // (a connection would take the port).
    static bool listening(quint16 port)
    {
        QFile table(QStringLiteral("/proc/net/tcp"));
        if (!table.open(QIODevice::ReadOnly))
            return false;
        const QByteArray local = QByteArray("0100007F:") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
        for (const QByteArray &line : table.readAll().split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 3 && fields[1] == local && fields[3] == "0A")
                return true;
        }
        return false;
    }

    QTemporaryDir m_dir;
    QString m_device;
    QString m_line;
    quint16 m_rfc2217Port;
    quint16 m_socketPort;
    QProcess m_process;
};
