// Ports across the network against Debian's ser2net, started by the test on
// 127.0.0.1 and serving a pseudo-terminal the test plays the device on; a
// few servers that misbehave on purpose, played by the test; and the
// loopback inside the program.

#include "FakeView.h"
#include "ports/PortMessages.h"
#include "ports/PtyPair.h"
#include "ports/Ser2Net.h"

#include "app/modGlobal.h"
#include "ports/LoopPort.h"
#include "ports/NetworkPort.h"
#include "ports/PortByEntry.h"
#include "ports/PortErrors.h"
#include "engine/TerminalEngine.h"
#include "ports/termios2_baud.h"
#include "host/ComPortMap.h"
#include "text/Codec.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <memory>
#include <netdb.h>
#include <sys/socket.h>
#include <termios.h>

// The name service as these tests have it: kTwoAddresses names first a
// multicast group, which no connection reaches, then the loopback; every
// other name is looked up as usual.
constexpr char kTwoAddresses[] = "two-addresses.invalid";

extern "C" int getaddrinfo(const char *node, const char *service, const addrinfo *hints,
                           addrinfo **result)
{
    using Lookup = int (*)(const char *, const char *, const addrinfo *, addrinfo **);
    static const auto lookup = reinterpret_cast<Lookup>(::dlsym(RTLD_NEXT, "getaddrinfo"));
    if (!node || std::strcmp(node, kTwoAddresses) != 0)
        return lookup(node, service, hints, result);
    addrinfo numeric{};
    numeric.ai_flags = AI_NUMERICHOST;
    numeric.ai_socktype = SOCK_STREAM;
    addrinfo *first = nullptr;
    addrinfo *second = nullptr;
    if (const int error = lookup("224.0.0.1", service, &numeric, &first))
        return error;
    if (const int error = lookup("127.0.0.1", service, &numeric, &second)) {
        ::freeaddrinfo(first);
        return error;
    }
    addrinfo *last = first;
    while (last->ai_next)
        last = last->ai_next;
    last->ai_next = second;
    *result = first;
    return 0;
}

namespace {

QByteArray everyByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    return all;
}

// A network port whose COM1 is `url`, configured as the terminal opens one.
std::unique_ptr<NetworkPort> portFor(const QString &url, quint8 language = 1,
                                     const QString &settings = QStringLiteral("9600,N,8,1"),
                                     qint32 handshake = 0)
{
    auto port = std::make_unique<NetworkPort>(
        [url](int n) {
            return n == 1 ? PortPath{url, {}, url} : PortPath{{}, QStringLiteral("none")};
        },
        [language] { return language; });
    port->setCommPort(1);
    port->setSettings(settings);
    port->setInBufferSize(2048);
    port->setHandshaking(handshake);
    return port;
}

// The error an opening raises: "number: description"; empty when it opens.
QString openingError(SerialPortControl &port)
{
    try {
        port.setPortOpen(true);
    } catch (const PortError &e) {
        return QString::number(e.number()) + QStringLiteral(": ") + e.description();
    }
    return QString();
}

// What the port has received, once `count` bytes came or 3 s passed.
QByteArray received(SerialPortControl &port, qsizetype count)
{
    QByteArray got;
    QDeadlineTimer deadline(3000);
    while (got.size() < count && !deadline.hasExpired()) {
        QTest::qWait(5);
        if (port.InBufferCount() > 0)
            got += Codec::toBytes(port.Input()).value_or(QByteArray("?"));
    }
    return got;
}

// A server that misbehaves in one way, played by the test.
class ScriptedServer : public QObject {
public:
    enum class Manner {
        Silent,             // accepts and says nothing
        ClosesAtOnce,       // accepts and closes without a word
        ClosesLater,        // agrees to RFC 2217, then closes after 1.5 s
        NoSerialControl,    // refuses the COM port option
        SlowerRate,         // agrees, but answers every rate with 4800
        Agreeable,          // agrees and takes every setting
        AnswersThenCloses,  // agrees, takes every setting, then closes
        RefusesThenCloses,  // refuses the COM port option and closes
        AgreesThenCloses,   // agrees to the COM port option and closes at once
        ClosesOverDataBits, // takes the rate, then closes at the data bits
        IgnoresParity,      // takes every setting but leaves the parity unanswered
        Suspends,           // takes every setting, then suspends the data it is sent
        Floods, // takes every setting, then reads nothing and sends requests without end
        AgreesLate,         // as Agreeable, but only after 3 s
        Stubborn,           // agrees, but keeps 9600 baud and no flow control whatever it is asked
    };
    explicit ScriptedServer(Manner manner, const QHostAddress &address = QHostAddress::LocalHost)
        : m_manner(manner)
    {
        m_server.listen(address, 0);
        if (manner == Manner::Floods) {
            // The connections it accepts take little before they hold the
            // program's bytes.
            const int size = 4096;
            ::setsockopt(int(m_server.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &size,
                         sizeof size);
        }
        QObject::connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection())
                serve(socket);
        });
    }
    quint16 port() const { return m_server.serverPort(); }
    // What came in, and when (ms since the server was made).
    const QByteArray &received() const { return m_received; }
    qint64 receivedAt(qsizetype index) const { return m_times.value(index, -1); }
    QString url(const char *scheme = "rfc2217") const
    {
        return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(port());
    }
    // Closes every connection.
    void closeConnections()
    {
        for (QTcpSocket *socket : findChildren<QTcpSocket *>())
            socket->disconnectFromHost();
    }
    // NOTIFY-MODEMSTATE with the state given to every connection.
    void notifyModemState(char state)
    {
        for (QTcpSocket *socket : findChildren<QTcpSocket *>())
            socket->write(QByteArray("\xff\xfa\x2c\x6b", 4) + state + QByteArray("\xff\xf0", 2));
    }
    // FLOWCONTROL-RESUME to every connection.
    void resume()
    {
        for (QTcpSocket *socket : findChildren<QTcpSocket *>())
            socket->write(QByteArray("\xff\xfa\x2c\x6d\xff\xf0", 6));
    }

private:
    void serve(QTcpSocket *socket)
    {
        socket->setParent(this);
        switch (m_manner) {
        case Manner::Silent:
            break;
        case Manner::ClosesAtOnce:
            socket->close();
            break;
        case Manner::ClosesLater:
            socket->write(QByteArray("\xff\xfd\x2c", 3));
            QTimer::singleShot(1500, socket, [socket] { socket->close(); });
            break;
        case Manner::NoSerialControl:
            socket->write(QByteArray("\xff\xfe\x2c", 3)); // DONT COM-PORT-OPTION
            break;
        case Manner::RefusesThenCloses:
            socket->write(QByteArray("\xff\xfe\x2c", 3));
            socket->disconnectFromHost(); // once that has gone out
            break;
        case Manner::AgreesThenCloses:
            socket->write(QByteArray("\xff\xfd\x2c", 3));
            socket->disconnectFromHost();
            break;
        case Manner::SlowerRate:
        case Manner::Agreeable:
        case Manner::AnswersThenCloses:
        case Manner::ClosesOverDataBits:
        case Manner::IgnoresParity:
        case Manner::Suspends:
        case Manner::Floods:
        case Manner::Stubborn:
            agree(socket);
            break;
        case Manner::AgreesLate:
            QTimer::singleShot(3000, socket, [this, socket] { agree(socket); });
            break;
        }
    }
    void agree(QTcpSocket *socket)
    {
        socket->write(QByteArray("\xff\xfd\x2c", 3));
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
            const QByteArray in = socket->readAll();
            for (qsizetype i = 0; i < in.size(); ++i)
                m_times.append(m_clock.elapsed());
            m_received += in;
            answer(socket, in);
        });
        if (socket->bytesAvailable() > 0)
            Q_EMIT socket->readyRead();
    }
    // Answers each setting with the value asked for (the rate with 4800 when
    // slower), DTR and RTS with nothing, as ser2net does on a pseudo-terminal;
    // the manner decides what follows the last answer.
    void answer(QTcpSocket *socket, const QByteArray &in)
    {
        for (qsizetype at = in.indexOf("\xff\xfa\x2c"); at >= 0; at = in.indexOf("\xff\xfa\x2c", at + 1)) {
            const int command = static_cast<unsigned char>(in.at(at + 3));
            QByteArray value = in.mid(at + 4, in.indexOf("\xff\xf0", at) - at - 4);
            if (command == 1 && m_manner == Manner::SlowerRate)
                value = QByteArray("\x00\x00\x12\xc0", 4);
            if (command == 1 && m_manner == Manner::Stubborn)
                value = QByteArray("\x00\x00\x25\x80", 4);
            if (command == 5 && m_manner == Manner::Stubborn && value == QByteArray(1, '\x03'))
                value = QByteArray(1, '\x01');
            if (command == 2 && m_manner == Manner::ClosesOverDataBits) {
                socket->disconnectFromHost();
                return;
            }
            if ((command == 3 && m_manner == Manner::IgnoresParity) ||
                (command == 5 && value.size() == 1 && value.at(0) > 3))
                continue;
            socket->write(QByteArray("\xff\xfa\x2c", 3) + char(command + 100) + value +
                          QByteArray("\xff\xf0", 2));
            if (command == 5)
                settingsTaken(socket);
        }
    }
    void settingsTaken(QTcpSocket *socket)
    {
        if (m_manner == Manner::AnswersThenCloses) {
            socket->disconnectFromHost();
        } else if (m_manner == Manner::Suspends) {
            socket->write(QByteArray("\xff\xfa\x2c\x6c\xff\xf0", 6)); // FLOWCONTROL-SUSPEND
        } else if (m_manner == Manner::Floods) {
            QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
            socket->setReadBufferSize(1); // reads nothing more
            // DO BINARY, DONT BINARY: each asks for an answer.
            QByteArray requests;
            for (int i = 0; i < 8192; ++i)
                requests += QByteArray("\xff\xfd\x00\xff\xfe\x00", 6);
            auto *again = new QTimer(socket);
            QObject::connect(again, &QTimer::timeout, socket, [socket, requests] {
                if (socket->state() == QAbstractSocket::ConnectedState &&
                    socket->bytesToWrite() < 4 * requests.size())
                    socket->write(requests);
            });
            again->start(1);
        }
    }

    Manner m_manner;
    QTcpServer m_server;
    QElapsedTimer m_clock = [] {
        QElapsedTimer clock;
        clock.start();
        return clock;
    }();
    QByteArray m_received;
    QList<qint64> m_times;
};

class NoDevices : public SerialDeviceSource {
public:
    QList<SerialDevice> devices() const override { return {}; }
};

// The terminal with its window as plain data, COM numbers from a Ports.ini
// the test writes, and the port the program uses.
// The socket's sends, the size of each.
struct RecordedSends : SocketCalls {
    QList<ssize_t> sizes;
    ssize_t send(int fd, const char *data, size_t size, int flags) override
    {
        return sizes.emplace_back(SocketCalls::send(fd, data, size, flags));
    }
};

struct Terminal {
    QTemporaryDir data;
    NoDevices none;
    SettingsRecord settings;
    FakeView view;
    std::unique_ptr<PortByEntry> port;
    std::unique_ptr<TerminalEngine> engine;

    explicit Terminal(const QByteArray &portsIni)
    {
        const QString folder = data.path() + u'/';
        QFile ini(folder + QStringLiteral("Ports.ini"));
        if (ini.open(QIODevice::WriteOnly))
            ini.write("[PORTS]\r\n" + portsIni);
        ini.close();
        settings.Baudrate = 5;
        settings.DTR = 1;
        settings.Peculiar = 1;
        port = std::make_unique<PortByEntry>(
            [folder, this](int n) {
                ComPortMap map(folder, none);
                const auto found = map.pathFor(n, settings.Language);
                return PortPath{found.path, found.error, found.mappedPath, found.identity};
            },
            [this] { return settings.Language; });
        engine = std::make_unique<TerminalEngine>(settings, *port, view);
        view.onSend = [this] { engine->transmitter().cmdSend_Click(); };
    }
    ~Terminal() { engine->stopTimers(); }
    bool open()
    {
        engine->connection().fkt_MainOpenPort();
        return port->PortOpen() && view.messages.isEmpty();
    }
    QStringList contents() const
    {
        QStringList out;
        for (int i = 0; i < engine->log().count(); ++i) {
            const QString line = engine->log().line(i);
            out.append(line.startsWith(u'#') ? QStringLiteral("# ") + line.mid(15) : line.mid(12));
        }
        return out;
    }
};

} // namespace

class tst_NetworkPorts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // against ser2net
    void bytesBothWays_data();
    void bytesBothWays();
    void settingsOnTheDevice_data();
    void settingsOnTheDevice();
    void settingsChangedWhileOpen();
    void settingRefusedWhileOpen_data();
    void settingRefusedWhileOpen();
    void controlLinesByCommands_data();
    void controlLinesByCommands();
    void controlLinesOnALostConnection();
    void linesOverTheNetwork();
    void writeFindsTheConnectionLost();
    void watchAfterAWaitForAnswers();
    void secondOpenerIsBusy_data();
    void secondOpenerIsBusy();
    void lostServerAndBack();
    // failures of the opening
    void openingFailures_data();
    void openingFailures();
    void waitShowsAndEnds_data();
    void waitShowsAndEnds();
    void openingGivesWayToTheUser();
    void openingWhileOpening();
    void messagesInGerman_data();
    void messagesInGerman();
    // a server that holds or floods
    void suspendedServerKeepsTheText_data();
    void suspendedServerKeepsTheText();
    void floodWhileTakingNothing();
    void acceptDuringTheWait_data();
    void acceptDuringTheWait();
    // the loopback
    void loopEchoesAfterTheLineTime_data();
    void loopEchoesAfterTheLineTime();
    void loopInTheTerminal();
};

void tst_NetworkPorts::bytesBothWays_data()
{
    QTest::addColumn<bool>("rfc2217");
    QTest::newRow("RFC 2217") << true;
    QTest::newRow("plain TCP") << false;
}

// Every byte 0-255, and runs of 255 (Telnet's IAC), both ways; nothing of the
// protocol reaches the device.
void tst_NetworkPorts::bytesBothWays()
{
    QFETCH(bool, rfc2217);
    LINTROVA_REQUIRE_TOOL(!Ser2Net::program().isEmpty(), Ser2Net::kMissing);
    PtyPair device;
    Ser2Net server(device.path());
    QVERIFY2(server.start(), qPrintable(server.output()));
    RecordedSends sends;
    auto port = portFor(rfc2217 ? server.rfc2217Url() : server.socketUrl());
    QCOMPARE(openingError(*port), QString());
    port->setSocketCalls(sends);

    const QByteArray fromDevice = everyByte() + QByteArray(3, '\xff') + "\r\n";
    QVERIFY(device.write(fromDevice));
    QCOMPARE(received(*port, fromDevice.size()), fromDevice);

    const QByteArray toDevice = QByteArray(2, '\xff') + everyByte() + QByteArray(1, '\xff');
    port->setOutput(Codec::toText(toDevice));
    // One send, one segment: each of the four 255s doubled for Telnet.
    QCOMPARE(sends.sizes, QList<ssize_t>{toDevice.size() + (rfc2217 ? 4 : 0)});
    QCOMPARE(device.read(toDevice.size()), toDevice);
    QCOMPARE(device.readPending(100), QByteArray());
    // A file's write: all it is given while the queue has room, escaped alike.
    QCOMPARE(port->writeSome(toDevice), toDevice.size());
    QCOMPARE(device.read(toDevice.size()), toDevice);
    bool room = false;
    QVERIFY(port->awaitRoom([&room] { room = true; }));
    QTRY_VERIFY(room);

    // Blocks of 2048 characters, the rest kept for the next.
    QVERIFY(device.write(QByteArray(5000, '\xff')));
    QTRY_COMPARE(port->InBufferCount(), qint16(2048));
    QCOMPARE(port->Input(), QString(2048, QChar(0xFF)));
    QTRY_COMPARE(port->InBufferCount(), qint16(2048));
    QCOMPARE(port->Input().size(), 2048);
    QTRY_COMPARE(port->InBufferCount(), qint16(904));
    QCOMPARE(port->Input().size(), 904);
}

void tst_NetworkPorts::settingsOnTheDevice_data()
{
    QTest::addColumn<bool>("rfc2217");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<int>("baud");       // as the device shows it
    QTest::addColumn<bool>("twoStopBits");
    QTest::addColumn<int>("flowFlags");  // CRTSCTS in the control flags, IXON in the input flags
    QTest::newRow("19200 8N1") << true << "19200,N,8,1" << 0 << 19200 << false << 0;
    QTest::newRow("921600 8N2") << true << "921600,N,8,2" << 0 << 921600 << true << 0;
    QTest::newRow("300 7E1") << true << "300,E,7,1" << 0 << 300 << false << 0;
    QTest::newRow("56000, no B constant") << true << "56000,N,8,1" << 0 << 56000 << false << 0;
    QTest::newRow("RTS/CTS") << true << "9600,N,8,1" << 2 << 9600 << false << 1;
    QTest::newRow("XON/XOFF") << true << "9600,N,8,1" << 1 << 9600 << false << 2;
    // Plain TCP carries no settings: the device keeps ser2net's own.
    QTest::newRow("plain TCP ignores them") << false << "300,N,8,2" << 2 << 9600 << false << 0;
}

// What the program sets, ser2net applies to the device: the test reads it
// from the pseudo-terminal (the kernel keeps 8 data bits and no parity there,
// whatever is asked).
void tst_NetworkPorts::settingsOnTheDevice()
{
    QFETCH(bool, rfc2217);
    QFETCH(QString, settings);
    QFETCH(int, handshake);
    QFETCH(int, baud);
    QFETCH(bool, twoStopBits);
    QFETCH(int, flowFlags);
    LINTROVA_REQUIRE_TOOL(!Ser2Net::program().isEmpty(), Ser2Net::kMissing);
    PtyPair device;
    Ser2Net server(device.path());
    QVERIFY2(server.start(), qPrintable(server.output()));
    auto port = portFor(rfc2217 ? server.rfc2217Url() : server.socketUrl(), 1, settings, handshake);
    QCOMPARE(openingError(*port), QString());
    QVERIFY(port->PortOpen());
    if (!rfc2217)
        QTest::qWait(200); // nothing to wait for: give ser2net its moment

    unsigned int speed = 0;
    QCOMPARE(termios2_getBaud(device.master(), &speed), 0);
    QCOMPARE(int(speed), baud);
    termios attributes{};
    QCOMPARE(::tcgetattr(device.master(), &attributes), 0);
    QCOMPARE((attributes.c_cflag & CSTOPB) != 0, twoStopBits);
    QCOMPARE((attributes.c_cflag & CRTSCTS) != 0, flowFlags == 1);
    QCOMPARE((attributes.c_iflag & IXON) != 0, flowFlags == 2);
}

void tst_NetworkPorts::settingsChangedWhileOpen()
{
    LINTROVA_REQUIRE_TOOL(!Ser2Net::program().isEmpty(), Ser2Net::kMissing);
    PtyPair device;
    Ser2Net server(device.path());
    QVERIFY2(server.start(), qPrintable(server.output()));
    auto port = portFor(server.rfc2217Url());
    QCOMPARE(openingError(*port), QString());
    port->setSettings(QStringLiteral("115200,N,8,2"));
    port->setHandshaking(2);
    termios attributes{};
    QCOMPARE(::tcgetattr(device.master(), &attributes), 0);
    QCOMPARE(cfgetospeed(&attributes), speed_t(B115200));
    QVERIFY(attributes.c_cflag & CSTOPB);
    QVERIFY(attributes.c_cflag & CRTSCTS);
    // Both at once RFC 2217 cannot ask for; what was set stays.
    try {
        port->setHandshaking(3);
        QFAIL("both handshakes taken");
    } catch (const PortError &e) {
        QCOMPARE(e.description(),
                 QStringLiteral("127.0.0.1:%1 cannot use RTS/CTS and XON/XOFF together")
                     .arg(server.rfc2217Port()));
    }
    QVERIFY(port->PortOpen());
    QVERIFY(device.write("ok"));
    QCOMPARE(received(*port, 2), QByteArray("ok"));
}

void tst_NetworkPorts::settingRefusedWhileOpen_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<QString>("error"); // $ stands for host:port
    QTest::addColumn<QByteArray>("setBack");
    QTest::newRow("a rate") << "19200,N,8,1" << 0
                            << "10004: $ did not take the setting baud rate = 19200 (answer: 9600)"
                            << Rfc2217::lineCommands(
                                   parsePortSettings(QStringLiteral("9600,N,8,1")));
    QTest::newRow("a handshake")
        << "9600,N,8,1" << 2 << "10004: $ did not take the setting handshake = RTS (answer: None)"
        << Rfc2217::controlCommand(Rfc2217::kNoFlowControl);
}

// A value the server does not take while the port is open is set back on
// the remote port at once, and the next opening asks for the value in force
// before it, which the server takes.
void tst_NetworkPorts::settingRefusedWhileOpen()
{
    QFETCH(QString, settings);
    QFETCH(int, handshake);
    QFETCH(QString, error);
    QFETCH(QByteArray, setBack);
    ScriptedServer server(ScriptedServer::Manner::Stubborn);
    auto port = portFor(server.url());
    QCOMPARE(openingError(*port), QString());
    QString got;
    try {
        if (handshake != 0)
            port->setHandshaking(handshake);
        else
            port->setSettings(settings);
    } catch (const PortError &e) {
        got = QString::number(e.number()) + QStringLiteral(": ") + e.description();
    }
    QCOMPARE(got, error.replace(u'$', QStringLiteral("127.0.0.1:%1").arg(server.port())));
    QVERIFY(port->PortOpen());
    QTRY_VERIFY(server.received().endsWith(setBack));

    port->setPortOpen(false);
    const qsizetype before = server.received().size();
    QCOMPARE(openingError(*port), QString());
    QVERIFY(server.received().mid(before).contains(setBack));
}

void tst_NetworkPorts::controlLinesByCommands_data()
{
    QTest::addColumn<QStringList>("writes");
    QTest::newRow("one write") << QStringList{QStringLiteral("0123456789")};
    QTest::newRow("two writes") << QStringList{QStringLiteral("01234"), QStringLiteral("56789")};
    QTest::newRow("ten writes") << QStringLiteral("0,1,2,3,4,5,6,7,8,9").split(u',');
}

// DTR follows the program; RTS goes up before a transmission and down once
// the sent characters' time on the line has passed, as RFC 2217's control
// commands; data travels between them. The time is that of everything sent
// while RTS was up, however many writes it took.
void tst_NetworkPorts::controlLinesByCommands()
{
    QFETCH(QStringList, writes);
    ScriptedServer server(ScriptedServer::Manner::Agreeable);
    auto port = portFor(server.url(), 1, QStringLiteral("300,N,8,1"));
    port->setDTREnable(true);
    QCOMPARE(openingError(*port), QString());
    const QByteArray dtrOn("\xff\xfa\x2c\x05\x08\xff\xf0", 7), dtrOff("\xff\xfa\x2c\x05\x09\xff\xf0", 7);
    const QByteArray rtsOn("\xff\xfa\x2c\x05\x0b\xff\xf0", 7), rtsOff("\xff\xfa\x2c\x05\x0c\xff\xf0", 7);
    // The lines as the program has them, then the notices of line state
    // changes switched off and those of every modem line change asked for.
    const QByteArray noNotices("\xff\xfa\x2c\x0a\x00\xff\xf0\xff\xfa\x2c\x0b\xff\xff\xff\xf0", 15);
    QTRY_VERIFY(server.received().contains(QByteArray(dtrOn + rtsOff + noNotices)));
    port->setDTREnable(false);
    QTRY_VERIFY(server.received().endsWith(dtrOff));

    const qsizetype before = server.received().size();
    QElapsedTimer clock;
    clock.start();
    port->setRTSEnable(true);
    for (const QString &text : std::as_const(writes))
        port->setOutput(text);
    port->setRTSEnable(false);
    const qint64 heldMs = clock.elapsed();
    QTRY_COMPARE(server.received().mid(before), QByteArray(rtsOn + "0123456789" + rtsOff));
    // Ten characters of ten bits at 300 baud: a third of a second.
    QVERIFY2(heldMs >= 333 && heldMs < 450, qPrintable(QString::number(heldMs)));
    const qint64 dataAt = server.receivedAt(before + rtsOn.size());
    const qint64 rtsOffAt = server.receivedAt(before + rtsOn.size() + 10);
    QVERIFY2(rtsOffAt - dataAt >= 320, qPrintable(QString::number(rtsOffAt - dataAt)));
}

// Once the server has closed the connection, a control line cannot be set:
// the port tells that the connection was lost.
void tst_NetworkPorts::controlLinesOnALostConnection()
{
    ScriptedServer server(ScriptedServer::Manner::Agreeable);
    auto port = portFor(server.url());
    QCOMPARE(openingError(*port), QString());
    port->setArrivalWatch(true);
    server.closeConnections();
    QTRY_VERIFY(port->deviceGone());
    const QString lost =
        QStringLiteral("the connection to 127.0.0.1:%1 was lost").arg(server.port());
    for (const char *line : {"RTS", "DTR"}) {
        QString error;
        try {
            if (line == QLatin1String("RTS"))
                port->setRTSEnable(true);
            else
                port->setDTREnable(false);
        } catch (const PortError &e) {
            error = e.description();
        }
        QVERIFY2(error == lost, line);
    }
}

// SET-CONTROL's value as the port sends it.
QByteArray control(char value)
{
    return QByteArray("\xff\xfa\x2c\x05", 4) + value + QByteArray("\xff\xf0", 2);
}

// The lines as the window shows them, in a few words: "lines DTR RTS in=3 break".
QString shown(const LineState &s)
{
    const QString inputs = s.inputs ? QString::number(*s.inputs) : QStringLiteral("?");
    return QStringList{
        s.switchable ? "lines" : "none", s.dtr ? "DTR" : "", s.rts ? "RTS" : "",
        s.rtsOwned ? "owned" : "",       "in=" + inputs,     s.breakAllowed ? "break" : ""}
        .join(u' ')
        .simplified();
}

// Over RFC 2217 the switches are SET-CONTROL commands, the indicators follow
// NOTIFY-MODEMSTATE and BREAK is break on and off 250 ms apart, a text sent
// meanwhile waiting for its end; every opening starts with the lines as the
// settings say. A plain TCP port has none of them.
void tst_NetworkPorts::linesOverTheNetwork()
{
    ScriptedServer server(ScriptedServer::Manner::Agreeable);
    Terminal t("COM1=" + server.url().toLatin1() + "\r\n");
    QVERIFY(t.open());
    const QByteArray allChanges("\xff\xfa\x2c\x0b\xff\xff\xff\xf0", 8);
    QTRY_VERIFY(server.received().endsWith(allChanges));
    const qsizetype before = server.received().size();
    server.notifyModemState('\x30'); // DSR and CTS
    QTRY_COMPARE(shown(t.view.lines), QStringLiteral("lines DTR in=3 break"));
    server.notifyModemState('\xcf'); // DCD and RI, and a change of each
    t.engine->switchDtr(false);
    t.engine->switchRts(true);
    QTRY_COMPARE(shown(t.view.lines), QStringLiteral("lines RTS in=12 break"));
    QVERIFY(!t.engine->linePollRunning()); // the server tells of changes

    QElapsedTimer clock;
    clock.start();
    t.engine->sendBreak();
    t.view.send = QStringLiteral("A");
    t.engine->transmitter().cmdSend_Click();
    QVERIFY2(clock.elapsed() >= 245, qPrintable(QString::number(clock.elapsed())));
    QTRY_COMPARE(server.received().mid(before),
                 control(9) + control(11) + control(5) + control(6) + "A");
    QCOMPARE(t.contents(), (QStringList{"# BREAK (250 ms)", "  [OUT]  A"}));

    t.engine->connection().fkt_MainOpenPort(); // DTR and RTS as the settings say
    QTRY_VERIFY(server.received().endsWith(QByteArray(
        control(8) + control(12) + QByteArray("\xff\xfa\x2c\x0a\x00\xff\xf0", 7) + allChanges)));
    t.settings.RTS = 1; // the transmission owns RTS: the switch is off
    t.engine->switchRts(true);
    QCOMPARE(shown(t.view.lines), QStringLiteral("lines DTR owned in=? break"));

    ScriptedServer plain(ScriptedServer::Manner::Silent);
    Terminal u("COM1=" + plain.url("socket").toLatin1() + "\r\n");
    QVERIFY(u.open());
    u.engine->sendBreak();
    u.engine->switchDtr(false);
    QCOMPARE(shown(u.view.lines) + u.contents().join(u'|'), QStringLiteral("none DTR in=?"));
}

// A write that finds the connection gone says so, and the connection is no
// longer watched: a closed socket would wake the program without end.
void tst_NetworkPorts::writeFindsTheConnectionLost()
{
    ScriptedServer server(ScriptedServer::Manner::Agreeable);
    auto port = portFor(server.url());
    QCOMPARE(openingError(*port), QString());
    port->setArrivalWatch(false); // nothing reads meanwhile: only a write can find out
    server.closeConnections();
    QTest::qWait(100);
    port->setArrivalWatch(true);
    QVERIFY(port->watchingConnection());
    QString error;
    try {
        port->setOutput(QStringLiteral("x")); // the server's end answers it with a reset
        QThread::msleep(100);
        port->setOutput(QStringLiteral("y"));
    } catch (const PortError &e) {
        error = e.description();
    }
    QCOMPARE(error, QStringLiteral("the connection to 127.0.0.1:%1 was lost").arg(server.port()));
    QVERIFY(port->deviceGone());
    QVERIFY(!port->watchingConnection());
}

// A setting changed while open waits for its answer, reading the connection
// meanwhile; afterwards the watch is as the program had it.
void tst_NetworkPorts::watchAfterAWaitForAnswers()
{
    ScriptedServer server(ScriptedServer::Manner::Agreeable);
    auto port = portFor(server.url());
    QCOMPARE(openingError(*port), QString());
    port->setArrivalWatch(false);
    QVERIFY(!port->watchingConnection());
    port->setSettings(QStringLiteral("1200,N,8,1"));
    QVERIFY(!port->watchingConnection());
    port->setArrivalWatch(true);
    QVERIFY(port->watchingConnection());
}

void tst_NetworkPorts::secondOpenerIsBusy_data()
{
    QTest::addColumn<bool>("rfc2217");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("busy"); // $ stands for host:port
    QTest::newRow("RFC 2217, German")
        << true << 0
        << "16: Schnittstelle belegt: $ wird von einem anderen Programm benutzt (der Server sagt: "
           "Port already in use)";
    QTest::newRow("plain TCP, English")
        << false << 1 << "16: port busy: $ is in use by another program (the server says: Port "
                         "already in use)";
}

// ser2net serves one connection per port: it tells the next one so and
// closes it at once.
void tst_NetworkPorts::secondOpenerIsBusy()
{
    QFETCH(bool, rfc2217);
    QFETCH(int, language);
    QFETCH(QString, busy);
    LINTROVA_REQUIRE_TOOL(!Ser2Net::program().isEmpty(), Ser2Net::kMissing);
    PtyPair device;
    Ser2Net server(device.path());
    QVERIFY2(server.start(), qPrintable(server.output()));
    const QString url = rfc2217 ? server.rfc2217Url() : server.socketUrl();
    auto first = portFor(url);
    QCOMPARE(openingError(*first), QString());
    auto second = portFor(url, quint8(language));
    QCOMPARE(openingError(*second),
             busy.replace(u'$', url.mid(url.indexOf(QLatin1String("//")) + 2)));
    QVERIFY(!second->PortOpen());
    // The first goes on undisturbed.
    first->setOutput(QStringLiteral("still mine"));
    QCOMPARE(device.read(10), QByteArray("still mine"));
}

// ser2net ends while the port is open: the port counts as closed, as for an
// unplugged device, and opens again by itself once ser2net is back.
void tst_NetworkPorts::lostServerAndBack()
{
    LINTROVA_REQUIRE_TOOL(!Ser2Net::program().isEmpty(), Ser2Net::kMissing);
    PtyPair device;
    auto server = std::make_unique<Ser2Net>(device.path());
    QVERIFY2(server->start(), qPrintable(server->output()));
    Terminal t("COM3=" + server->rfc2217Url().toLatin1() + "\r\n");
    t.settings.ComPort = 2;
    t.settings.Language = 1;
    QVERIFY(t.open());
    const QString openStatus = t.view.status;
    QVERIFY(openStatus.startsWith(QLatin1String("Interface COM3 is opened with 9600 baud")));
    t.engine->startTimers();
    QVERIFY(device.write("before"));
    QTRY_COMPARE(t.contents(), QStringList{QStringLiteral("  [IN]   before")});
    QTest::qWait(100);
    QVERIFY(!t.engine->receiveTimerEnabled()); // the port tells of arrivals: no polling

    server->kill();
    QTRY_VERIFY(!t.port->PortOpen());
    QVERIFY(!t.view.portControlsEnabled);
    QVERIFY(t.engine->connection().awaitingDevice());
    // Tried once a second: refused at once each time, still trying. Between
    // the tries, and during them, the status says that no port is open
    // (fault: "Connecting to ..." for as long as the server stayed down);
    // the waiting field says what is waited for.
    QStringList statuses;
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout, [&] {
        if (!statuses.contains(t.view.status))
            statuses << t.view.status;
    });
    sample.start(20);
    QTest::qWait(2500);
    sample.stop();
    QCOMPARE(statuses, QStringList{QStringLiteral("No interface connection opened!")});
    QCOMPARE(t.view.waiting, QStringLiteral("Waiting for COM3 (%1)...").arg(server->rfc2217Url()));
    QVERIFY(t.view.portInUse); // File > Close port ends the waiting
    QCOMPARE(t.view.messages, QStringList());

    QVERIFY2(server->start(), qPrintable(server->output()));
    QElapsedTimer sinceBack;
    sinceBack.start();
    QTRY_VERIFY_WITH_TIMEOUT(t.port->PortOpen(), 3000);
    QVERIFY2(sinceBack.elapsed() < 1500, qPrintable(QString::number(sinceBack.elapsed())));
    QCOMPARE(t.view.status, openStatus);
    QCOMPARE(t.view.waiting, QString());
    QVERIFY(t.view.portControlsEnabled);
    QVERIFY(!t.engine->connection().awaitingDevice());
    t.view.send = QStringLiteral("after");
    t.engine->transmitter().cmdSend_Click();
    QCOMPARE(device.read(5), QByteArray("after"));
}

void tst_NetworkPorts::openingFailures_data()
{
    // $ stands for the server's host:port.
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<int>("manner"); // -1: nothing listens, -2: no such name, -3: no route,
                                     // -4: link-local without its interface, -5: an interface
                                     // that does not exist, -6: a silent server on [::1%lo],
                                     // -7: a name whose first address has no route and whose
                                     // second has nothing listening, else ScriptedServer::Manner
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("error"); // empty: it opens
    QTest::addColumn<int>("leastMs");
    const int none = -1, noName = -2;
    const int silent = int(ScriptedServer::Manner::Silent);
    const int atOnce = int(ScriptedServer::Manner::ClosesAtOnce);
    QTest::newRow("refused, German") << "rfc2217" << none << 0
                                     << "111: Verbindung zu $ abgelehnt: Dort nimmt kein Server "
                                        "Verbindungen an"
                                     << 0;
    QTest::newRow("refused, plain TCP") << "socket" << none << 1
                                        << "111: connection to $ refused: no server accepts "
                                           "connections there"
                                        << 0;
    // The try at the first address failed otherwise: the refusal is what tells
    // that a server may be there later.
    QTest::newRow("refused at the second address")
        << "socket" << -7 << 1
        << "111: connection to $ refused: no server accepts connections there" << 0;
    // The kernel never connects TCP to a multicast address.
    QTest::newRow("unreachable") << "socket" << -3 << 1
                                 << "101: 224.0.0.1:7000 is unreachable: there is no route to its "
                                    "network or host"
                                 << 0;
    QTest::newRow("name not found") << "rfc2217" << noName << 1
                                    << "10012: the host name of nothere.invalid:7000 is not known"
                                    << 0;
    QTest::newRow("no answer within 5 s") << "rfc2217" << silent << 1
                                          << "110: $ did not answer within 5 s" << 5000;
    QTest::newRow("no answer within 5 s, German")
        << "rfc2217" << silent << 0 << "110: $ hat nicht innerhalb von 5 s geantwortet" << 5000;
    QTest::newRow("a silent plain TCP server is fine") << "socket" << silent << 1 << QString() << 200;
    QTest::newRow("closed at once: busy")
        << "rfc2217" << atOnce << 1
        << "16: port busy: $ is in use by another program (the server closed the connection at "
           "once)"
        << 0;
    QTest::newRow("closed at once: busy, plain TCP")
        << "socket" << atOnce << 0
        << "16: Schnittstelle belegt: $ wird von einem anderen Programm benutzt (der Server hat "
           "die Verbindung sofort wieder geschlossen)"
        << 0;
    QTest::newRow("closed after a second: not busy")
        << "rfc2217" << int(ScriptedServer::Manner::ClosesLater) << 1
        << "10006: $ closed the connection before the settings were confirmed" << 1500;
    QTest::newRow("no RFC 2217") << "rfc2217" << int(ScriptedServer::Manner::NoSerialControl) << 1
                                 << "10013: $ does not offer serial port control (RFC 2217)" << 0;
    QTest::newRow("a rate not taken") << "rfc2217" << int(ScriptedServer::Manner::SlowerRate) << 0
                                      << "10004: $ hat die Einstellung Baudrate = 9600 nicht "
                                         "übernommen (Antwort: 4800)"
                                      << 0;
    // Each of these was once reported as a busy port.
    QTest::newRow("every setting taken, then closed")
        << "rfc2217" << int(ScriptedServer::Manner::AnswersThenCloses) << 1
        << "10006: $ closed the connection" << 0;
    QTest::newRow("every setting taken, then closed, German")
        << "rfc2217" << int(ScriptedServer::Manner::AnswersThenCloses) << 0
        << "10006: $ hat die Verbindung geschlossen" << 0;
    QTest::newRow("no RFC 2217, then closed")
        << "rfc2217" << int(ScriptedServer::Manner::RefusesThenCloses) << 0
        << "10013: $ beherrscht die Steuerung serieller Schnittstellen nach RFC 2217 nicht" << 0;
    QTest::newRow("closed over the data bits")
        << "rfc2217" << int(ScriptedServer::Manner::ClosesOverDataBits) << 1
        << "10004: $ did not take the setting data bits = 8 and closed the connection" << 0;
    QTest::newRow("closed over the data bits, German")
        << "rfc2217" << int(ScriptedServer::Manner::ClosesOverDataBits) << 0
        << "10004: $ hat die Einstellung Datenbits = 8 nicht übernommen und die Verbindung "
           "geschlossen"
        << 0;
    QTest::newRow("agreed, then closed before any setting: not busy")
        << "rfc2217" << int(ScriptedServer::Manner::AgreesThenCloses) << 1
        << "10006: $ closed the connection before the settings were confirmed" << 0;
    QTest::newRow("the parity never answered")
        << "rfc2217" << int(ScriptedServer::Manner::IgnoresParity) << 0
        << "110: $ hat auf die Einstellung Parität = N nicht innerhalb von 5 s geantwortet" << 5000;
    // Nothing is sent for these: the address cannot be used as written.
    QTest::newRow("link-local without its interface")
        << "socket" << -4 << 1
        << "22: $ is a link-local address and needs its network interface, as in "
           "[fe80::1%eth0]:4001"
        << 0;
    QTest::newRow("an interface that does not exist, German")
        << "rfc2217" << -5 << 0 << "19: $ nennt eine Netzwerkschnittstelle, die es nicht gibt" << 0;
    QTest::newRow("IPv6 with its interface") << "socket" << -6 << 1 << QString() << 200;
}

void tst_NetworkPorts::openingFailures()
{
    QFETCH(QString, scheme);
    QFETCH(int, manner);
    QFETCH(int, language);
    QFETCH(QString, error);
    QFETCH(int, leastMs);
    std::unique_ptr<ScriptedServer> server;
    QString hostAndPort;
    if (manner >= 0) {
        server = std::make_unique<ScriptedServer>(ScriptedServer::Manner(manner));
        hostAndPort = QStringLiteral("127.0.0.1:%1").arg(server->port());
    } else if (manner == -1 || manner == -7) {
        QTcpServer probe; // a port nothing listens on once it is closed
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        hostAndPort = QStringLiteral("%1:%2")
                          .arg(manner == -1 ? QStringLiteral("127.0.0.1")
                                            : QString::fromLatin1(kTwoAddresses))
                          .arg(probe.serverPort());
    } else if (manner == -2) {
        hostAndPort = QStringLiteral("nothere.invalid:7000");
    } else if (manner == -3) {
        hostAndPort = QStringLiteral("224.0.0.1:7000");
    } else if (manner == -4) {
        hostAndPort = QStringLiteral("[fe80::1]:4001");
    } else if (manner == -5) {
        hostAndPort = QStringLiteral("[fe80::1%lintrova9]:4001");
    } else {
        server = std::make_unique<ScriptedServer>(ScriptedServer::Manner::Silent,
                                                  QHostAddress::LocalHostIPv6);
        if (server->port() == 0)
            QSKIP("no IPv6 on the loopback here");
        hostAndPort = QStringLiteral("[::1%lo]:%1").arg(server->port());
    }
    auto port = portFor(scheme + QStringLiteral("://") + hostAndPort, quint8(language));
    QElapsedTimer clock;
    clock.start();
    QString got = openingError(*port);
    // A close reads as a reset when the server had not read what it was sent.
    if (error.startsWith(QLatin1String("10006: ")) && got.startsWith(QLatin1String("104: ")))
        got.replace(0, 3, QStringLiteral("10006"));
    QCOMPARE(got, error.replace(u'$', hostAndPort));
    QVERIFY2(clock.elapsed() >= leastMs && clock.elapsed() < leastMs + 1000,
             qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(port->PortOpen(), error.isEmpty());
    if (language == 0 && !got.isEmpty())
        QVERIFY2(isGermanTableText(got.mid(got.indexOf(u' ') + 1)), qPrintable(got));
}

void tst_NetworkPorts::waitShowsAndEnds_data()
{
    QTest::addColumn<bool>("windowCloses");
    QTest::newRow("the wait runs out") << false;
    QTest::newRow("the window closes meanwhile") << true;
}

// While it connects, the status says so and the port's controls are off;
// the window closing ends the wait without a message.
void tst_NetworkPorts::waitShowsAndEnds()
{
    QFETCH(bool, windowCloses);
    ScriptedServer server(ScriptedServer::Manner::Silent);
    Terminal t("COM1=" + server.url().toLatin1() + "\r\n");
    t.view.portControlsEnabled = true;
    QString statusMeanwhile;
    bool controlsMeanwhile = true;
    QTimer::singleShot(300, [&] {
        statusMeanwhile = t.view.status;
        controlsMeanwhile = t.view.portControlsEnabled;
        if (windowCloses)
            t.engine->shutDown(); // what unloading the window does
    });
    QElapsedTimer clock;
    clock.start();
    t.engine->connection().fkt_MainOpenPort();
    QCOMPARE(statusMeanwhile, QStringLiteral("Verbinde mit 127.0.0.1:%1...").arg(server.port()));
    QVERIFY(!controlsMeanwhile);
    QVERIFY(!t.port->PortOpen());
    QCOMPARE(t.view.status, QStringLiteral("Keine Schnittstelle geöffnet!"));
    if (windowCloses) {
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(t.view.messages, QStringList());
    } else {
        QVERIFY(clock.elapsed() >= 5000);
        QCOMPARE(t.view.messages.size(), 1);
        QVERIFY2(t.view.messages.first().contains(
                     QStringLiteral("127.0.0.1:%1 hat nicht innerhalb von 5 s geantwortet.").arg(server.port())),
                 qPrintable(t.view.messages.first()));
    }
}

// A lost port's server is tried again while it does not answer; the user
// opening another port meanwhile need not wait for the try to run out.
void tst_NetworkPorts::openingGivesWayToTheUser()
{
    LINTROVA_REQUIRE_TOOL(!Ser2Net::program().isEmpty(), Ser2Net::kMissing);
    PtyPair device;
    auto server = std::make_unique<Ser2Net>(device.path());
    QVERIFY2(server->start(), qPrintable(server->output()));
    const quint16 port = server->rfc2217Port();
    Terminal t("COM1=" + server->rfc2217Url().toLatin1() + "\r\nCOM2=loop://\r\n");
    QVERIFY(t.open());
    t.engine->startTimers();
    server->kill();
    // The address now answers connections and then nothing.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, port));
    QTRY_VERIFY_WITH_TIMEOUT(silent.hasPendingConnections(), 3000);           // a try is under way
    QCOMPARE(t.view.status, QStringLiteral("Keine Schnittstelle geöffnet!")); // tries stay quiet
    t.settings.ComPort = 1;
    QElapsedTimer clock;
    clock.start();
    t.engine->connection().fkt_MainOpenPort();
    QTRY_VERIFY_WITH_TIMEOUT(t.port->PortOpen(), 2000);
    QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(t.view.status.startsWith(QLatin1String("Schnittstelle COM2 mit 9600 Baud")));
    QVERIFY(!t.engine->connection().awaitingDevice());
    QCOMPARE(t.view.messages, QStringList());
}

// An opening asked for while one waits for its server is refused; closing
// the port cancels the one under way.
void tst_NetworkPorts::openingWhileOpening()
{
    ScriptedServer server(ScriptedServer::Manner::Silent);
    auto port = portFor(server.url());
    QString meanwhile;
    QTimer::singleShot(100, [&] {
        meanwhile = openingError(*port);
        port->setPortOpen(false);
    });
    QCOMPARE(openingError(*port), QStringLiteral("10001: the opening was cancelled"));
    QCOMPARE(meanwhile, QStringLiteral("10001: the port is still opening or closing"));
    QVERIFY(!port->PortOpen());
}

void tst_NetworkPorts::messagesInGerman_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message"); // $ stands for host:port
    QTest::newRow("Output while closed")
        << 0 << PortErrors::NotOpen << "Die Schnittstelle ist nicht geöffnet";
    QTest::newRow("CommPort while open")
        << 1 << PortErrors::AlreadyOpen
        << "Die Schnittstellennummer kann nicht geändert werden, solange die Schnittstelle "
           "geöffnet ist";
    QTest::newRow("CommPort 0") << 2 << PortErrors::InvalidPortNumber
                                << "Ungültige Schnittstellennummer 0";
    QTest::newRow("a character without a byte")
        << 3 << PortErrors::CharacterWithoutByte
        << "Ein zu sendendes Zeichen hat kein Byte im Zeichensatz";
    QTest::newRow("the opening cancelled")
        << 4 << PortErrors::NotOpen << "Das Öffnen wurde abgebrochen";
    QTest::newRow("the connection lost")
        << 5 << PortErrors::DeviceGone << "Die Verbindung zu $ ist abgebrochen";
    QTest::newRow("InputLen -1") << 6 << PortErrors::InvalidValue << "Ungültige Eingabelänge: -1";
    QTest::newRow("handshake 5") << 7 << PortErrors::UnsupportedHandshake
                                 << "Unbekannter Handshake 5 (bekannt sind 0 bis 3)";
    QTest::newRow("settings") << 8 << PortErrors::InvalidSettings
                              << "Ungültige Schnittstelleneinstellungen '9600,N,8': erwartet wird "
                                 "Baudrate,Parität,Datenbits,Stoppbits";
}

// With Language 0 the port across the network speaks German too.
void tst_NetworkPorts::messagesInGerman()
{
    QFETCH(int, failure);
    QFETCH(int, number);
    QFETCH(QString, message);
    ScriptedServer server(failure == 4 ? ScriptedServer::Manner::Silent
                                       : ScriptedServer::Manner::Agreeable);
    auto port = portFor(server.url(), 0);
    const std::function<void()> calls[] = {
        [&] { port->setOutput(QStringLiteral("A")); },
        [&] {
            port->setPortOpen(true);
            port->setCommPort(2);
        },
        [&] { port->setCommPort(0); },
        [&] {
            port->setPortOpen(true);
            port->setOutput(QStringLiteral("\u65E5"));
        },
        [&] {
            QTimer::singleShot(100, [&] { port->setPortOpen(false); });
            port->setPortOpen(true);
        },
        [&] {
            // Opened by a server that stays, then lost.
            ScriptedServer agreeable(ScriptedServer::Manner::Agreeable);
            port = portFor(agreeable.url(), 0);
            port->setPortOpen(true);
            for (QTcpSocket *socket : agreeable.findChildren<QTcpSocket *>())
                socket->close();
            QTRY_VERIFY(port->deviceGone());
            message.replace(u'$', QStringLiteral("127.0.0.1:%1").arg(agreeable.port()));
            port->Input();
        },
        [&] { port->setInputLen(-1); },
        [&] { port->setHandshaking(5); },
        [&] { port->setSettings(QStringLiteral("9600,N,8")); },
    };
    try {
        calls[failure]();
        QFAIL("no error raised");
    } catch (const PortError &error) {
        QCOMPARE(error.description(),
                 message.replace(u'$', QStringLiteral("127.0.0.1:%1").arg(server.port())));
        QVERIFY2(isGermanTableText(error.description()), qPrintable(error.description()));
        // A close reads as a reset when the server had not read what it was sent.
        QCOMPARE(error.number() == ECONNRESET ? PortErrors::DeviceGone : error.number(), number);
    }
}

void tst_NetworkPorts::suspendedServerKeepsTheText_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("status"); // $ stands for host:port
    QTest::addColumn<QString>("holding");
    QTest::newRow("German") << 0 << "Nicht gesendet: $ nimmt zur Zeit nichts an"
                            << u"$ hält die Übertragung an"_qs;
    QTest::newRow("English") << 1 << "Not sent: $ takes nothing at the moment"
                             << "$ holds the transmission";
}

// A server that suspends the data it is sent (FLOWCONTROL-SUSPEND) takes
// nothing: the text stays in the send box and the status bar says why; once
// the server resumes, the text goes out and the status is the port's again.
void tst_NetworkPorts::suspendedServerKeepsTheText()
{
    QFETCH(int, language);
    QFETCH(QString, status);
    QFETCH(QString, holding);
    ScriptedServer server(ScriptedServer::Manner::Suspends);
    Terminal t("COM1=" + server.url().toLatin1() + "\r\n");
    t.settings.Language = quint8(language);
    t.settings.DeleteSendChars = 1;
    t.port->networkPort().setWriteTimeout(std::chrono::milliseconds(300));
    QVERIFY(t.open());
    const QString openStatus = t.view.status;
    t.engine->startTimers();
    QTest::qWait(100); // the suspension arrives
    const QString name = QStringLiteral("127.0.0.1:%1").arg(server.port());
    QCOMPARE(t.view.waiting, holding.replace(u'$', name));

    t.view.send = QStringLiteral("hello");
    t.engine->transmitter().cmdSend_Click();
    QCOMPARE(t.view.send, QStringLiteral("hello"));
    QCOMPARE(t.view.statusMessages, QStringList{status.replace(u'$', name)});
    QCOMPARE(t.view.status, openStatus);
    QCOMPARE(t.contents(), QStringList());
    QCOMPARE(t.view.messages, QStringList());
    QVERIFY(t.port->PortOpen());
    QVERIFY(!server.received().contains("hello"));
    // A file's write waits too: it hears of room once the server resumes.
    bool room = false;
    QCOMPARE(t.port->writeSome("file"), 0);
    QVERIFY(t.port->awaitRoom([&room] { room = true; }));
    QTest::qWait(50);
    QVERIFY(!room);

    server.resume();
    QTRY_VERIFY(room);
    t.engine->transmitter().cmdSend_Click();
    QCOMPARE(t.view.send, QString());
    QCOMPARE(t.contents(), QStringList{QStringLiteral("  [OUT]  hello")});
    QCOMPARE(t.view.waiting, QString());
    QTRY_VERIFY(server.received().contains("hello"));
    QCOMPARE(t.view.status, openStatus);
    QCOMPARE(t.view.statusMessages.size(), 2);
    QCOMPARE(t.view.statusMessages.last(), QString()); // the message ended with the sending
    t.engine->connection().closePort();
    QCOMPARE(t.view.waiting, QString());
}

// A server that sends requests without end while it reads nothing: what
// waits for it stays within 64 KiB, and once nothing has gone to it for the
// stall limit the connection is closed for good, saying why.
void tst_NetworkPorts::floodWhileTakingNothing()
{
    ScriptedServer server(ScriptedServer::Manner::Floods);
    Terminal t("COM1=" + server.url().toLatin1() + "\r\n");
    NetworkPort &network = t.port->networkPort();
    network.setStallLimit(std::chrono::milliseconds(300));
    QVERIFY(t.open());
    t.engine->startTimers();
    QTRY_VERIFY_WITH_TIMEOUT(!t.port->PortOpen(), 10000);
    QCOMPARE(
        t.view.messages,
        QStringList{QStringLiteral("Fehler aufgetreten|Der Server 127.0.0.1:%1 verhält sich "
                                   "fehlerhaft: Er sendet weiter, nimmt aber seit 0.3 s nichts "
                                   "an; die Verbindung wurde getrennt")
                        .arg(server.port())});
    QCOMPARE(t.view.status, QStringLiteral("Keine Schnittstelle geöffnet!"));
    QVERIFY(!t.view.portControlsEnabled);
    QVERIFY(!t.engine->connection().awaitingDevice());
    QVERIFY(!t.port->sameDeviceBack());
    const qsizetype most = network.mostQueued();
    QVERIFY2(most > NetworkPort::kMostQueued - NetworkPort::kAnswerRoom &&
                 most <= NetworkPort::kMostQueued,
             qPrintable(QString::number(most)));
    // No byte of a request came out as data; the loss says why.
    QCOMPARE(t.contents(),
             QStringList{"# COM1 verloren: " + t.view.messages.first().section(u'|', 1)});
}

void tst_NetworkPorts::acceptDuringTheWait_data()
{
    // COM1's server answers after 3 s (or never); 300 ms into the wait the
    // user accepts the settings dialog with another choice.
    QTest::addColumn<bool>("answersLate");
    QTest::addColumn<int>("comPort");
    QTest::addColumn<int>("baudrate");
    QTest::addColumn<QString>("status"); // empty: no port opens
    QTest::addColumn<int>("messages");
    QTest::newRow("the loopback chosen, the server silent")
        << false << 1 << 5
        << "Schnittstelle COM2 mit 9600 Baud 8 Datenbits, 1 Stoppbit, Keine Parität und "
           "Handshake None ist geöffnet."
        << 0;
    // Fault: COM1 opened once its server answered, and the status named COM2.
    QTest::newRow("the loopback chosen, the server answers later")
        << true << 1 << 5
        << "Schnittstelle COM2 mit 9600 Baud 8 Datenbits, 1 Stoppbit, Keine Parität und "
           "Handshake None ist geöffnet."
        << 0;
    QTest::newRow("the same server at another rate")
        << true << 0 << 6
        << "Schnittstelle COM1 mit 19200 Baud 8 Datenbits, 1 Stoppbit, Keine Parität und "
           "Handshake None ist geöffnet."
        << 0;
    QTest::newRow("a port that does not open: only its own message")
        << false << 2 << 5 << QString() << 1;
}

// The user's latest choice wins: the opening still waiting is cancelled at
// once, without a message of its own, and the status names the port that is
// open.
void tst_NetworkPorts::acceptDuringTheWait()
{
    QFETCH(bool, answersLate);
    QFETCH(int, comPort);
    QFETCH(int, baudrate);
    QFETCH(QString, status);
    QFETCH(int, messages);
    ScriptedServer server(answersLate ? ScriptedServer::Manner::AgreesLate
                                      : ScriptedServer::Manner::Silent);
    Terminal t("COM1=" + server.url().toLatin1() + "\r\nCOM2=loop://\r\n");
    bool accepted = false;
    QTimer::singleShot(300, [&] {
        t.settings.ComPort = quint8(comPort);
        t.settings.Baudrate = quint8(baudrate);
        t.engine->connection().fkt_MainOpenPort(); // what Accept does
        accepted = true;
    });
    QElapsedTimer clock;
    clock.start();
    t.engine->connection().fkt_MainOpenPort();
    QVERIFY(accepted);
    QCOMPARE(t.view.messages.size(), messages);
    if (messages > 0)
        QVERIFY2(
            t.view.messages.first().contains(QStringLiteral("COM3 ist keinem Gerät zugeordnet")),
            qPrintable(t.view.messages.first()));
    if (status.isEmpty()) {
        QVERIFY(!t.port->PortOpen());
        QCOMPARE(t.view.status, QStringLiteral("Keine Schnittstelle geöffnet!"));
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(t.port->PortOpen(), 5000);
    QCOMPARE(t.view.status, status);
    QVERIFY(t.view.portControlsEnabled);
    if (comPort == 1) {
        // What is sent goes to the port the status names.
        QVERIFY2(clock.elapsed() < 2000, qPrintable(QString::number(clock.elapsed())));
        t.engine->startTimers();
        t.view.send = QStringLiteral("to COM2");
        t.engine->transmitter().cmdSend_Click();
        // The user's opening after the start's is logged.
        QTRY_COMPARE(t.contents(), QStringList({QStringLiteral("# COM2 geöffnet: 9600 8N1"),
                                                QStringLiteral("  [OUT]  to COM2"),
                                                QStringLiteral("  [IN]   to COM2")}));
    } else {
        // The rate set on the remote port is the new one (19200 = 0x4B00).
        QVERIFY(server.received().contains(QByteArray("\xff\xfa\x2c\x01\x00\x00\x4b\x00", 8)));
        QVERIFY(!server.received().contains(QByteArray("\xff\xfa\x2c\x01\x00\x00\x25\x80", 8)));
    }
}

void tst_NetworkPorts::loopEchoesAfterTheLineTime_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<double>("characterMs"); // start, data, parity and stop bits at the rate
    QTest::newRow("300 8N1") << "300,N,8,1" << 10 * 1000.0 / 300;
    QTest::newRow("1200 7E1") << "1200,E,7,1" << 10 * 1000.0 / 1200;
    QTest::newRow("2400 8E2") << "2400,E,8,2" << 12 * 1000.0 / 2400;
    QTest::newRow("115200 8N1") << "115200,N,8,1" << 10 * 1000.0 / 115200;
}

// What is sent comes back one character after the other, each after its
// time on the line; RTS drops when the last has left.
void tst_NetworkPorts::loopEchoesAfterTheLineTime()
{
    QFETCH(QString, settings);
    QFETCH(double, characterMs);
    QTemporaryDir data;
    Terminal t("COM4=loop://\r\n");
    PortByEntry &port = *t.port;
    port.setCommPort(4);
    port.setSettings(settings);
    port.setInBufferSize(2048);
    port.setPortOpen(true);
    QVERIFY(port.PortOpen());
    QCOMPARE(port.devicePath(), QStringLiteral("loop://"));

    const QString text = QStringLiteral("0123456789");
    QElapsedTimer clock;
    clock.start();
    port.setRTSEnable(true);
    port.setOutput(text);
    if (characterMs >= 2)
        QCOMPARE(port.InBufferCount(), qint16(0));
    port.setRTSEnable(false);
    const double rtsMs = clock.nsecsElapsed() / 1e6;
    QString echoed;
    double echoMs = 0;
    while (echoed.size() < text.size() && clock.elapsed() < 5000) {
        QTest::qWait(1);
        if (port.InBufferCount() > 0) {
            echoed += port.Input();
            echoMs = clock.nsecsElapsed() / 1e6;
        }
    }
    QCOMPARE(echoed, text);
    const double lineMs = text.size() * characterMs;
    QVERIFY2(rtsMs >= lineMs - 0.5 && rtsMs < lineMs + 20, qPrintable(QString::number(rtsMs)));
    QVERIFY2(echoMs >= lineMs - 0.5 && echoMs < lineMs + 30, qPrintable(QString::number(echoMs)));
}

// The newcomer's first steps: COM1 is the loopback, what is sent is received.
void tst_NetworkPorts::loopInTheTerminal()
{
    Terminal t("COM1=loop://\r\n");
    t.settings.Baudrate = 0; // 300 baud: 10 characters take a third of a second
    QVERIFY(t.open());
    QCOMPARE(t.view.status, QStringLiteral("Schnittstelle COM1 mit 300 Baud 8 Datenbits, 1 "
                                           "Stoppbit, Keine Parität und Handshake None ist geöffnet."));
    t.view.waitTime = QStringLiteral("50");
    t.engine->startTimers();
    t.view.send = QStringLiteral("<STX>hello<ETX>");
    QElapsedTimer clock;
    clock.start();
    t.engine->transmitter().cmdSend_Click();
    QTRY_COMPARE(t.contents().size(), 2);
    QVERIFY2(clock.elapsed() >= 7 * 1000 / 30, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(t.contents(), QStringList({QStringLiteral("  [OUT]  <STX>hello<ETX>"),
                                        QStringLiteral("  [IN]   <STX>hello<ETX>")}));
    QTest::qWait(100);
    QVERIFY(!t.engine->receiveTimerEnabled()); // nothing wakes an idle loopback
}

QTEST_GUILESS_MAIN(tst_NetworkPorts)
#include "tst_network_ports.moc"
