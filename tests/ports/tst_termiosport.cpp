#include "ports/LoopPort.h"
#include "ports/PortErrors.h"
#include "ports/PortMessages.h"
#include "ports/PtyPair.h"
#include "ports/ScriptedDevice.h"
#include "ports/TermiosPort.h"
#include "ports/termios2_baud.h"
#include "text/Codec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <functional>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>

namespace {

// CPU seconds this thread used: a spinning wait shows up here.
double threadCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 state = 2463534242u;
    for (qsizetype i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes[i] = char(state & 0xFF);
    }
    return bytes;
}

QByteArray everyByte()
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(char(b));
    return all;
}

// Expects `call` to raise a PortError with one of the given numbers whose
// text holds `words`.
void expectPortError(const std::function<void()> &call, QList<qint32> numbers,
                     const QString &words)
{
    try {
        call();
    } catch (const PortError &error) {
        QVERIFY2(error.description().contains(words), qPrintable(error.description()));
        QVERIFY2(numbers.contains(error.number()), qPrintable(QString::number(error.number())));
        return;
    }
    QFAIL(qPrintable(QStringLiteral("no error raised; expected: ") + words));
}

void expectPortError(const std::function<void()> &call, qint32 number, const QString &words)
{
    expectPortError(call, QList<qint32>{number}, words);
}

// A port configured the way the terminal opens one, for the device of `pty`.
struct OpenedPort {
    explicit OpenedPort(const PtyPair &pty, const QString &settings = QStringLiteral("9600,N,8,1"),
                        qint32 handshake = 0, quint8 language = 1)
        : port(
              [path = pty.path()](int) {
                  return PortPath{path, {}};
              },
              [language] { return language; })
    {
        port.setCommPort(1);
        port.setSettings(settings);
        port.setInBufferSize(2048);
        port.setInputLen(0);
        port.setRThreshold(1);
        port.setSThreshold(1);
        port.setEOFEnable(false);
        port.setHandshaking(handshake);
        port.setDTREnable(true);
    }
    TermiosPort port;
};

// Everything the port hands out until `expected` bytes came or time is up.
QByteArray collect(TermiosPort &port, qsizetype expected, int timeoutMs = 10000)
{
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (got.size() < expected && !deadline.hasExpired()) {
        if (port.InBufferCount() > 0)
            got += *Codec::toBytes(port.Input());
        else
            QTest::qWait(5);
    }
    return got;
}

} // namespace

class tst_TermiosPort : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void receivesBytesUnchanged_data();
    void receivesBytesUnchanged();
    void deliversInSlices_data();
    void deliversInSlices();
    void keepsBacklogWhileNobodyPolls();
    void pausesReadingAtBacklogCap();
    void sendsBytesExactly_data();
    void sendsBytesExactly();
    void characterWithoutByteSendsNothing();
    void secondOpenerIsBusy_data();
    void secondOpenerIsBusy();
    void restoresAttributesOnClose();
    void refusedFormatIsReported_data();
    void refusedFormatIsReported();
    void takesEveryRate_data();
    void takesEveryRate();
    void settingsWrittenWhileOpenApplyAtOnce();
    void setsHandshake_data();
    void setsHandshake();
    void unknownHandshakeIsRefused_data();
    void unknownHandshakeIsRefused();
    void heldLineTimesOutWithoutSpinning();
    void heldLineKeepsEventsFlowing();
    void closingDuringHeldLineEndsTheWrite();
    void modemLinesAbsentIsSilent();
    void lineIoctls_data();
    void lineIoctls();
    void drainFollowsLineTime_data();
    void drainFollowsLineTime();
    void vanishedDeviceKeepsReceivedBytes();
    void refusedCalls_data();
    void refusedCalls();
    void messagesInGerman_data();
    void messagesInGerman();
};

void tst_TermiosPort::receivesBytesUnchanged_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("text") << QByteArray("\x02M01\x03");
    QTest::newRow("NUL bytes") << QByteArray("A\0\0B\0", 5);
    QTest::newRow("every byte") << everyByte();
    QTest::newRow("XON and XOFF without handshake") << QByteArray("\x13x\x11y");
}

void tst_TermiosPort::receivesBytesUnchanged()
{
    QFETCH(QByteArray, bytes);
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty);
    opened.port.setPortOpen(true);
    QVERIFY(pty.write(bytes));
    QTRY_COMPARE(opened.port.InBufferCount(), qint16(bytes.size()));
    QCOMPARE(opened.port.Input(), Codec::toText(bytes));
    QCOMPARE(opened.port.InBufferCount(), qint16(0));
    QCOMPARE(opened.port.Input(), QString());
}

void tst_TermiosPort::deliversInSlices_data()
{
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<int>("inputLen");
    QTest::addColumn<int>("total");
    QTest::addColumn<QList<int>>("slices");
    QTest::newRow("terminal's buffer") << 2048 << 0 << 5000 << QList<int>{2048, 2048, 904};
    QTest::newRow("input length") << 2048 << 100 << 250 << QList<int>{100, 100, 50};
    QTest::newRow("small buffer") << 10 << 0 << 25 << QList<int>{10, 10, 5};
    QTest::newRow("input length above buffer") << 16 << 1000 << 40 << QList<int>{16, 16, 8};
}

void tst_TermiosPort::deliversInSlices()
{
    QFETCH(int, bufferSize);
    QFETCH(int, inputLen);
    QFETCH(int, total);
    QFETCH(QList<int>, slices);
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty);
    opened.port.setInBufferSize(qint16(bufferSize));
    opened.port.setInputLen(qint16(inputLen));
    opened.port.setPortOpen(true);
    QCOMPARE(opened.port.InBufferSize(), qint16(bufferSize));
    const QByteArray sent = pattern(total);
    QVERIFY(pty.write(sent));
    QTest::qWait(50); // let every byte arrive before counting slices
    QByteArray got;
    for (int slice : slices) {
        QCOMPARE(opened.port.InBufferCount(), qint16(qMin(total - int(got.size()), bufferSize)));
        const QString text = opened.port.Input();
        QCOMPARE(text.size(), slice);
        got += *Codec::toBytes(text);
    }
    QCOMPARE(opened.port.InBufferCount(), qint16(0));
    QVERIFY(got == sent);
}

void tst_TermiosPort::keepsBacklogWhileNobodyPolls()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty);
    opened.port.setPortOpen(true);
    ::fcntl(pty.master(), F_SETFL, O_NONBLOCK);
    const QByteArray sent = pattern(1024 * 1024);
    // The device sends a whole megabyte while the window only processes
    // events; the pty itself holds a few kilobytes, so the layer must read.
    qsizetype done = 0;
    QElapsedTimer clock;
    clock.start();
    while (done < sent.size() && clock.elapsed() < 20000) {
        const ssize_t n = ::write(pty.master(), sent.constData() + done, sent.size() - done);
        if (n > 0)
            done += n;
        else
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    }
    QCOMPARE(done, sent.size());
    QVERIFY(opened.port.watchingDevice());
    const QByteArray got = collect(opened.port, sent.size());
    QCOMPARE(got.size(), sent.size());
    QVERIFY(got == sent);
}

void tst_TermiosPort::pausesReadingAtBacklogCap()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty);
    opened.port.setBacklogCap(8192);
    opened.port.setPortOpen(true);
    ::fcntl(pty.master(), F_SETFL, O_NONBLOCK);
    const QByteArray sent = pattern(200 * 1024);
    qsizetype written = 0;
    // Fill until the pty refuses more: the layer stopped reading at its cap.
    for (int stalls = 0; stalls < 20;) {
        const ssize_t n = ::write(pty.master(), sent.constData() + written, sent.size() - written);
        if (n > 0) {
            written += n;
            stalls = 0;
        } else {
            ++stalls;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
    }
    QVERIFY(written < sent.size());
    QVERIFY(!opened.port.watchingDevice());
    // Draining the backlog lets the rest through, nothing dropped.
    QByteArray got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < sent.size() && clock.elapsed() < 10000) {
        const ssize_t n = ::write(pty.master(), sent.constData() + written, sent.size() - written);
        if (n > 0)
            written += n;
        QCoreApplication::processEvents();
        if (opened.port.InBufferCount() > 0)
            got += *Codec::toBytes(opened.port.Input());
    }
    QCOMPARE(got.size(), sent.size());
    QVERIFY(got == sent);
}

void tst_TermiosPort::sendsBytesExactly_data()
{
    QTest::addColumn<bool>("oneCallPerCharacter");
    QTest::newRow("one call per character") << true;
    QTest::newRow("one call for all") << false;
}

void tst_TermiosPort::sendsBytesExactly()
{
    QFETCH(bool, oneCallPerCharacter);
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty);
    opened.port.setPortOpen(true);
    const QString text = Codec::toText(everyByte());
    if (oneCallPerCharacter) {
        for (QChar ch : text)
            opened.port.setOutput(QString(ch));
    } else {
        opened.port.setOutput(text);
    }
    QCOMPARE(pty.read(256), everyByte());
    QCOMPARE(pty.readPending(), QByteArray());
}

void tst_TermiosPort::characterWithoutByteSendsNothing()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty);
    opened.port.setPortOpen(true);
    expectPortError([&] { opened.port.setOutput(QStringLiteral("AB\u65E5C")); },
                    PortErrors::CharacterWithoutByte, QStringLiteral("no byte"));
    QCOMPARE(pty.readPending(), QByteArray());
    opened.port.setOutput(QStringLiteral("ok"));
    QCOMPARE(pty.read(2), QByteArray("ok"));
}

void tst_TermiosPort::secondOpenerIsBusy_data()
{
    QTest::addColumn<bool>("foreignLock");
    QTest::newRow("second port object") << false;
    QTest::newRow("another program's lock") << true;
}

void tst_TermiosPort::secondOpenerIsBusy()
{
    QFETCH(bool, foreignLock);
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort first(pty);
    if (foreignLock)
        QCOMPARE(::flock(pty.slave(), LOCK_EX | LOCK_NB), 0);
    else
        first.port.setPortOpen(true);

    // The device itself refuses other openers (root excepted), not only the
    // advisory lock, and takes them again once the port is closed.
    const auto exclusive = [&pty] {
        int flag = -1;
        return ::ioctl(pty.slave(), TIOCGEXCL, &flag) == 0 ? flag : -1;
    };
    QCOMPARE(exclusive(), foreignLock ? 0 : 1);

    OpenedPort second(pty);
    expectPortError([&] { second.port.setPortOpen(true); }, EBUSY, QStringLiteral("port busy"));
    QVERIFY(!second.port.PortOpen());

    // Once the holder lets go, the port opens.
    if (foreignLock)
        ::flock(pty.slave(), LOCK_UN);
    else
        first.port.setPortOpen(false);
    QCOMPARE(exclusive(), 0);
    second.port.setPortOpen(true);
    QVERIFY(second.port.PortOpen());
}

void tst_TermiosPort::restoresAttributesOnClose()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    termios before{};
    QCOMPARE(tcgetattr(pty.slave(), &before), 0);
    before.c_lflag |= ICANON | ECHO;
    before.c_iflag |= ICRNL | IXON | IXANY;
    before.c_oflag |= OPOST | ONLCR;
    cfsetispeed(&before, B4800);
    cfsetospeed(&before, B4800);
    QCOMPARE(tcsetattr(pty.slave(), TCSANOW, &before), 0);
    QCOMPARE(tcgetattr(pty.master(), &before), 0);

    OpenedPort opened(pty, QStringLiteral("56000,N,8,2"), 3);
    opened.port.setPortOpen(true);
    termios during{};
    QCOMPARE(tcgetattr(pty.master(), &during), 0);
    QVERIFY(!(during.c_lflag & (ICANON | ECHO)));
    QVERIFY(!(during.c_iflag & IXANY));
    opened.port.setPortOpen(false);

    termios after{};
    QCOMPARE(tcgetattr(pty.master(), &after), 0);
    QCOMPARE(after.c_iflag, before.c_iflag);
    QCOMPARE(after.c_oflag, before.c_oflag);
    QCOMPARE(after.c_cflag, before.c_cflag);
    QCOMPARE(after.c_lflag, before.c_lflag);
    QCOMPARE(QByteArray((const char *)after.c_cc, NCCS), QByteArray((const char *)before.c_cc, NCCS));
    unsigned int baud = 0;
    QCOMPARE(termios2_getBaud(pty.master(), &baud), 0);
    QCOMPARE(baud, 4800u);
}

void tst_TermiosPort::refusedFormatIsReported_data()
{
    // A pty forces 8 data bits and no parity.
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("7 data bits") << "9600,N,7,2" << "the device does not support 7 data bits";
    QTest::newRow("even parity, 7 bits")
        << "9600,E,7,1" << "the device does not support 7 data bits, even parity";
    QTest::newRow("odd parity") << "9600,O,8,1" << "the device does not support odd parity";
    QTest::newRow("even parity") << "9600,E,8,1" << "the device does not support even parity";
    QTest::newRow("mark parity") << "9600,M,8,1" << "the device does not support mark parity";
    QTest::newRow("5 data bits") << "9600,N,5,1.5" << "the device does not support 5 data bits";
}

void tst_TermiosPort::refusedFormatIsReported()
{
    QFETCH(QString, settings);
    QFETCH(QString, complaint);
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty, settings);
    expectPortError([&] { opened.port.setPortOpen(true); }, PortErrors::UnsupportedSetting,
                    complaint);
    QVERIFY(!opened.port.PortOpen());
    // The failed attempt left the device free and the port usable.
    opened.port.setSettings(QStringLiteral("9600,N,8,1"));
    opened.port.setPortOpen(true);
    QVERIFY(opened.port.PortOpen());
}

void tst_TermiosPort::takesEveryRate_data()
{
    QTest::addColumn<int>("baud");
    for (int baud : {50, 300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 56000, 57600, 115200,
                     230400, 250000, 460800, 921600, 1000000, 4000000})
        QTest::addRow("%d", baud) << baud;
}

void tst_TermiosPort::takesEveryRate()
{
    QFETCH(int, baud);
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty, QString::number(baud) + QLatin1String(",N,8,1"));
    opened.port.setPortOpen(true);
    unsigned int got = 0;
    QCOMPARE(termios2_getBaud(pty.master(), &got), 0);
    QCOMPARE(int(got), baud);
}

void tst_TermiosPort::settingsWrittenWhileOpenApplyAtOnce()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty);
    opened.port.setPortOpen(true);
    opened.port.setSettings(QStringLiteral("115200,N,8,2"));
    unsigned int baud = 0;
    QCOMPARE(termios2_getBaud(pty.master(), &baud), 0);
    QCOMPARE(baud, 115200u);

    // A refused format leaves the previous one in force.
    expectPortError([&] { opened.port.setSettings(QStringLiteral("56000,E,7,1")); },
                    PortErrors::UnsupportedSetting, QStringLiteral("7 data bits"));
    termios now{};
    QCOMPARE(tcgetattr(pty.master(), &now), 0);
    QCOMPARE(termios2_getBaud(pty.master(), &baud), 0);
    QCOMPARE(baud, 115200u);
    QVERIFY(now.c_cflag & CSTOPB);

    opened.port.setHandshaking(2);
    QCOMPARE(tcgetattr(pty.master(), &now), 0);
    QVERIFY(now.c_cflag & CRTSCTS);
}

void tst_TermiosPort::setsHandshake_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("rtsCts");
    QTest::addColumn<bool>("xonXoff");
    QTest::newRow("none") << 0 << false << false;
    QTest::newRow("XON/XOFF") << 1 << false << true;
    QTest::newRow("RTS/CTS") << 2 << true << false;
    QTest::newRow("both") << 3 << true << true;
}

void tst_TermiosPort::setsHandshake()
{
    QFETCH(int, mode);
    QFETCH(bool, rtsCts);
    QFETCH(bool, xonXoff);
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty, QStringLiteral("9600,N,8,1"), mode);
    opened.port.setPortOpen(true);
    termios now{};
    QCOMPARE(tcgetattr(pty.master(), &now), 0);
    QCOMPARE(bool(now.c_cflag & CRTSCTS), rtsCts);
    QCOMPARE(bool(now.c_iflag & IXON), xonXoff);
    QCOMPARE(bool(now.c_iflag & IXOFF), xonXoff);
    QVERIFY(!(now.c_iflag & IXANY));
    QVERIFY(now.c_cflag & CLOCAL);
    QVERIFY(now.c_cflag & CREAD);
}

void tst_TermiosPort::unknownHandshakeIsRefused_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("whileOpen");
    QTest::newRow("4 while closed") << 4 << false;
    QTest::newRow("-1 while closed") << -1 << false;
    QTest::newRow("200 while open") << 200 << true;
}

void tst_TermiosPort::unknownHandshakeIsRefused()
{
    QFETCH(int, mode);
    QFETCH(bool, whileOpen);
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty, QStringLiteral("9600,N,8,1"), 1);
    if (whileOpen)
        opened.port.setPortOpen(true);
    expectPortError([&] { opened.port.setHandshaking(mode); }, PortErrors::UnsupportedHandshake,
                    QStringLiteral("unsupported handshake %1").arg(mode));
    // The previous mode stays.
    opened.port.setPortOpen(true);
    termios now{};
    QCOMPARE(tcgetattr(pty.master(), &now), 0);
    QVERIFY(now.c_iflag & IXON);
}

void tst_TermiosPort::heldLineTimesOutWithoutSpinning()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty, QStringLiteral("9600,N,8,1"), 1);
    opened.port.setWriteTimeout(std::chrono::milliseconds(400));
    opened.port.setPortOpen(true);
    QVERIFY(pty.write("\x13")); // XOFF: the device holds the line
    QTest::qWait(20);

    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    expectPortError([&] { opened.port.setOutput(QStringLiteral("A")); }, PortErrors::WriteTimeout,
                    QStringLiteral("write timed out: the device holds the line (flow control)"));
    const double wall = clock.elapsed() / 1000.0;
    const double cpu = threadCpuSeconds() - cpuBefore;
    QVERIFY2(wall >= 0.35, qPrintable(QString::number(wall)));
    QVERIFY2(cpu < wall / 4, qPrintable(QStringLiteral("cpu %1 s of %2 s").arg(cpu).arg(wall)));
    QCOMPARE(pty.readPending(), QByteArray());

    QVERIFY(pty.write("\x11")); // XON: the line is free again
    QTest::qWait(20);
    opened.port.setOutput(QStringLiteral("B"));
    QCOMPARE(pty.read(1), QByteArray("B"));
}

void tst_TermiosPort::heldLineKeepsEventsFlowing()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty, QStringLiteral("9600,N,8,1"), 1);
    opened.port.setPortOpen(true);
    QVERIFY(pty.write("\x13"));
    QTest::qWait(20);
    int ticks = 0;
    QTimer window; // stands for the window's own timers and input
    QObject::connect(&window, &QTimer::timeout, [&ticks] { ++ticks; });
    window.start(10);
    QTimer::singleShot(300, [&pty] { pty.write("\x11"); });
    opened.port.setOutput(QStringLiteral("A"));
    QCOMPARE(pty.read(1), QByteArray("A"));
    QVERIFY2(ticks >= 10, qPrintable(QString::number(ticks)));
}

void tst_TermiosPort::closingDuringHeldLineEndsTheWrite()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty, QStringLiteral("9600,N,8,1"), 1);
    opened.port.setPortOpen(true);
    QVERIFY(pty.write("\x13"));
    QTest::qWait(20);
    QTimer::singleShot(150, [&opened] { opened.port.setPortOpen(false); });
    QElapsedTimer clock;
    clock.start();
    expectPortError([&] { opened.port.setOutput(QStringLiteral("A")); }, PortErrors::NotOpen,
                    QStringLiteral("the port was closed while waiting to send"));
    QVERIFY(clock.elapsed() < 2000); // the close itself does not wait out the stop
    QVERIFY(!opened.port.PortOpen());
    opened.port.setPortOpen(true); // and the port opens again afterwards
    QVERIFY(opened.port.PortOpen());
}

void tst_TermiosPort::modemLinesAbsentIsSilent()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    ScriptedDevice device; // outlives the port
    OpenedPort opened(pty);
    opened.port.setDeviceCalls(device);
    opened.port.setDTREnable(false);
    opened.port.setRTSEnable(true);
    opened.port.setPortOpen(true);
    // Each line is set at opening as its own setting asks.
    // What the system kept from before is dropped once the port is set up.
    QCOMPARE(device.calls, (QStringList{"open", "DTR off", "RTS on", "discard input"}));
    opened.port.setDTREnable(true);
    opened.port.setRTSEnable(true);
    opened.port.setOutput(QStringLiteral("x"));
    opened.port.setRTSEnable(false); // drains first, then drops RTS
    QCOMPARE(pty.read(1), QByteArray("x"));
    QVERIFY(opened.port.PortOpen());
    QCOMPARE(device.calls.mid(4, 3), (QStringList{"DTR on", "RTS on", "write 1"}));
    QCOMPARE(device.calls.last(), QStringLiteral("RTS off"));
}

void tst_TermiosPort::lineIoctls_data()
{
    QTest::addColumn<QStringList>("steps"); // "break on", "break off", "lines", "close"
    QTest::addColumn<int>("modemBits");     // what TIOCMGET answers; -1: the pty's ENOTTY
    QTest::addColumn<int>("breakErrno");
    QTest::addColumn<QStringList>("calls"); // after opening
    QTest::addColumn<QString>("result");    // the lines read, or the error raised
    QTest::newRow("break held and released") << QStringList{"break on", "break off"} << -1 << 0
                                             << QStringList{"BREAK on", "BREAK off"} << "";
    QTest::newRow("a break still held is released by closing")
        << QStringList{"break on", "close"} << -1 << 0
        << QStringList{"BREAK on", "queued", "drain", "discard", "BREAK off"} << "";
    QTest::newRow("a refused break is named, and not released at closing")
        << QStringList{"break on", "close"} << -1 << EPERM
        << QStringList{"BREAK on", "queued", "drain", "discard"}
        << "1: cannot set the BREAK line (Operation not permitted)";
    QTest::newRow("inputs of a device with modem lines")
        << QStringList{"lines"} << (TIOCM_CTS | TIOCM_CAR | TIOCM_DTR | TIOCM_RTS) << 0
        << QStringList{"modem lines"} << "switchable 5";
    QTest::newRow("every input") << QStringList{"lines"}
                                 << (TIOCM_CTS | TIOCM_DSR | TIOCM_CAR | TIOCM_RNG) << 0
                                 << QStringList{"modem lines"} << "switchable 15";
    QTest::newRow("a pseudo-terminal has none")
        << QStringList{"lines"} << -1 << 0 << QStringList{"modem lines"} << "none";
    QTest::newRow("a closed port sends no break")
        << QStringList{"close", "break on"} << -1 << 0 << QStringList{"queued", "drain", "discard"}
        << "10001: port is not open";
    QTest::newRow("a closed port reads none")
        << QStringList{"close", "lines"} << TIOCM_CTS << 0
        << QStringList{"queued", "drain", "discard"} << "none";
}

// BREAK and the modem lines go through the device's ioctls; a device
// without modem lines (a pseudo-terminal) reports none.
void tst_TermiosPort::lineIoctls()
{
    QFETCH(QStringList, steps);
    QFETCH(int, modemBits);
    QFETCH(int, breakErrno);
    QFETCH(QStringList, calls);
    QFETCH(QString, result);
    PtyPair pty;
    QVERIFY(pty.ok());
    ScriptedDevice device; // outlives the port
    device.modemBits = modemBits;
    device.breakErrno = breakErrno;
    OpenedPort opened(pty);
    opened.port.setDeviceCalls(device);
    opened.port.setPortOpen(true);
    const qsizetype atOpen = device.calls.size();
    QString got;
    for (const QString &step : std::as_const(steps)) {
        try {
            if (step.startsWith(QLatin1String("break")))
                opened.port.setBreak(step == QLatin1String("break on"));
            else if (step == QLatin1String("close"))
                opened.port.setPortOpen(false);
            else {
                const ModemLines lines = opened.port.modemLines();
                QCOMPARE(opened.port.modemLinesPolled(), opened.port.PortOpen());
                got = !lines.switchable ? QStringLiteral("none")
                                        : QStringLiteral("switchable %1").arg(*lines.inputs);
            }
        } catch (const PortError &e) {
            got = QString::number(e.number()) + QStringLiteral(": ") + e.description();
        }
    }
    QCOMPARE(device.calls.mid(atOpen), calls);
    QCOMPARE(got, result);
}

void tst_TermiosPort::drainFollowsLineTime_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("characters");
    QTest::addColumn<double>("charsPerSecond"); // 0: the device holds the line
    QTest::addColumn<bool>("closing");          // else RTS drops after the characters
    QTest::addColumn<int>("waitedMs");          // when the wait should end
    // Each needs longer on the line than the fixed 10 s the drain once had.
    QTest::newRow("RTS, 400 characters at 300 baud (13.3 s)")
        << "300,N,8,1" << 400 << 30.0 << false << 13334;
    QTest::newRow("RTS, 9,600 characters 8N2 at 9,600 baud (11 s)")
        << "9600,N,8,2" << 9600 << 9600.0 / 11 << false << 11000;
    QTest::newRow("RTS, held line: 1.25 x line time + 1 s")
        << "300,N,8,1" << 400 << 0.0 << false << 17667;
    QTest::newRow("RTS, held line: at most 60 s") << "300,N,8,1" << 4000 << 0.0 << false << 60000;
    // Closing once dropped what was queued after 0.5 s.
    QTest::newRow("closing, 400 characters at 300 baud (13.3 s)")
        << "300,N,8,1" << 400 << 30.0 << true << 13334;
    QTest::newRow("closing, held line: dropped after the limit")
        << "1200,N,8,1" << 1000 << 0.0 << true << 11417;
}

// A line scripted through the device seam: what is queued leaves at the
// line's pace on the test's clock, so a minute of line time takes a moment.
void tst_TermiosPort::drainFollowsLineTime()
{
    QFETCH(QString, settings);
    QFETCH(int, characters);
    QFETCH(double, charsPerSecond);
    QFETCH(bool, closing);
    QFETCH(int, waitedMs);
    PtyPair pty;
    QVERIFY(pty.ok());
    ScriptedDevice device; // outlives the port
    OpenedPort opened(pty, settings);
    opened.port.setDeviceCalls(device);
    opened.port.setPortOpen(true);
    if (!closing)
        opened.port.setRTSEnable(true);
    device.scriptLine = true;
    device.charsPerSecond = charsPerSecond;
    // About 16 looks at the queue in all: each costs a real pause of 20 ms.
    device.step = std::chrono::milliseconds(waitedMs / 16);
    opened.port.setOutput(QString(characters, QLatin1Char('x')));
    device.calls.clear();
    int ticks = 0; // the window's timers run while it waits
    QTimer window;
    QObject::connect(&window, &QTimer::timeout, [&ticks] { ++ticks; });
    window.start(5);

    bool timedOut = false;
    try {
        if (closing)
            opened.port.setPortOpen(false);
        else
            opened.port.setRTSEnable(false);
    } catch (const PortError &error) {
        QCOMPARE(error.number(), PortErrors::WriteTimeout);
        timedOut = true;
    }
    const bool drained = charsPerSecond > 0;
    QCOMPARE(timedOut, !drained && !closing); // closing gives up silently
    QVERIFY(!opened.port.PortOpen() || !closing);
    const qint64 waited = device.elapsed().count();
    QVERIFY2(waited >= waitedMs && waited <= waitedMs + 2 * device.step.count(),
             qPrintable(QStringLiteral("waited %1 ms").arg(waited)));
    QVERIFY(ticks > 0);

    // RTS drops (or the output is dropped) only after the last look at the
    // queue; after a drain, only once the queue was empty and the
    // transmitter had finished.
    const QStringList &calls = device.calls;
    const int end = calls.lastIndexOf(closing ? QStringLiteral("discard") : QStringLiteral("RTS off"));
    QVERIFY2(end > 0, qPrintable(calls.join(u',')));
    int lastLook = end;
    while (lastLook >= 0 && !calls[lastLook].startsWith(QLatin1String("queued")))
        --lastLook;
    QVERIFY2(lastLook >= 0, qPrintable(calls.join(u',')));
    QCOMPARE(calls[lastLook] == QLatin1String("queued 0"), drained);
    QCOMPARE(calls.mid(lastLook + 1, end - lastLook - 1).contains(QStringLiteral("drain")), drained);
}

void tst_TermiosPort::vanishedDeviceKeepsReceivedBytes()
{
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty);
    opened.port.setPortOpen(true);
    QVERIFY(pty.write("abc"));
    QTRY_COMPARE(opened.port.InBufferCount(), qint16(3));
    ::close(pty.slave()); // nobody else keeps the device alive
    pty.closeMaster();

    // The hang-up is noticed without a poll and does not keep the loop busy.
    const double cpuBefore = threadCpuSeconds();
    QTest::qWait(300);
    const double cpu = threadCpuSeconds() - cpuBefore;
    QVERIFY(!opened.port.watchingDevice());
    QVERIFY(!opened.port.deviceAlive());
    QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));

    QVERIFY(opened.port.PortOpen());
    QCOMPARE(opened.port.InBufferCount(), qint16(3));
    QCOMPARE(opened.port.Input(), QStringLiteral("abc"));
    // A hang-up reads as EIO or as an empty read, depending on the driver.
    const QString gone = QStringLiteral("the device has gone away");
    const QList<qint32> hangup{EIO, ENXIO, PortErrors::DeviceGone};
    expectPortError([&] { opened.port.InBufferCount(); }, hangup, gone);
    expectPortError([&] { opened.port.Input(); }, hangup, gone);
    expectPortError([&] { opened.port.setOutput(QStringLiteral("x")); }, hangup, gone);
    expectPortError([&] { opened.port.setDTREnable(false); }, hangup, gone);
    expectPortError([&] { opened.port.setSettings(QStringLiteral("9600,N,8,1")); }, hangup, gone);
    opened.port.setPortOpen(false);
    QVERIFY(!opened.port.PortOpen());
}

void tst_TermiosPort::refusedCalls_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<bool>("open");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("words");
    QTest::newRow("Output while closed") << 0 << false << PortErrors::NotOpen << "port is not open";
    QTest::newRow("InBufferCount while closed")
        << 1 << false << PortErrors::NotOpen << "port is not open";
    QTest::newRow("Input while closed") << 2 << false << PortErrors::NotOpen << "port is not open";
    QTest::newRow("CommPort while open")
        << 3 << true << PortErrors::AlreadyOpen << "cannot change while the port is open";
    QTest::newRow("CommPort 0") << 4 << false << PortErrors::InvalidPortNumber << "port number 0";
    QTest::newRow("InBufferSize 0") << 5 << false << PortErrors::InvalidValue << "buffer size 0";
    QTest::newRow("InputLen -1") << 6 << false << PortErrors::InvalidValue << "input length -1";
    QTest::newRow("malformed Settings")
        << 7 << false << PortErrors::InvalidSettings << "invalid port settings 'fast'";
}

void tst_TermiosPort::refusedCalls()
{
    QFETCH(int, call);
    QFETCH(bool, open);
    QFETCH(int, number);
    QFETCH(QString, words);
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty);
    if (open)
        opened.port.setPortOpen(true);
    TermiosPort &port = opened.port;
    const std::function<void()> calls[] = {
        [&] { port.setOutput(QStringLiteral("A")); },
        [&] { port.InBufferCount(); },
        [&] { port.Input(); },
        [&] { port.setCommPort(2); },
        [&] { port.setCommPort(0); },
        [&] { port.setInBufferSize(0); },
        [&] { port.setInputLen(-1); },
        [&] { port.setSettings(QStringLiteral("fast")); },
    };
    expectPortError(calls[call], number, words);
    QCOMPARE(port.PortOpen(), open);
    QCOMPARE(port.InBufferSize(), qint16(2048)); // a refused size leaves the one before
}

void tst_TermiosPort::messagesInGerman_data()
{
    QTest::addColumn<int>("failure");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message"); // $ stands for the device
    const QString invalid = QStringLiteral("Ungültige Schnittstelleneinstellungen '%1': %2");
    QTest::newRow("Output while closed")
        << 0 << PortErrors::NotOpen << "Die Schnittstelle ist nicht geöffnet";
    QTest::newRow("CommPort while open")
        << 1 << PortErrors::AlreadyOpen
        << "Die Schnittstellennummer kann nicht geändert werden, solange die Schnittstelle "
           "geöffnet ist";
    QTest::newRow("CommPort 0") << 2 << PortErrors::InvalidPortNumber
                                << "Ungültige Schnittstellennummer 0";
    QTest::newRow("InBufferSize 0")
        << 3 << PortErrors::InvalidValue << "Ungültige Größe des Empfangspuffers: 0";
    QTest::newRow("InputLen -1") << 4 << PortErrors::InvalidValue << "Ungültige Eingabelänge: -1";
    QTest::newRow("settings without four fields")
        << 5 << PortErrors::InvalidSettings
        << invalid.arg("fast", "erwartet wird Baudrate,Parität,Datenbits,Stoppbits");
    QTest::newRow("a rate out of range")
        << 6 << PortErrors::InvalidSettings
        << invalid.arg("9,N,8,1", "die Baudrate muss eine Zahl von 50 bis 4000000 sein");
    QTest::newRow("an unknown parity")
        << 7 << PortErrors::InvalidSettings
        << invalid.arg("9600,X,8,1", "die Parität muss N, E, O, M oder S sein");
    QTest::newRow("9 data bits") << 8 << PortErrors::InvalidSettings
                                 << invalid.arg("9600,N,9,1",
                                                "die Datenbits müssen 5, 6, 7 oder 8 sein");
    QTest::newRow("3 stop bits") << 9 << PortErrors::InvalidSettings
                                 << invalid.arg("9600,N,8,3",
                                                "die Stoppbits müssen 1, 1.5 oder 2 sein");
    QTest::newRow("1.5 stop bits with 8 data bits")
        << 10 << PortErrors::InvalidSettings
        << invalid.arg("9600,N,8,1.5", "1.5 Stoppbits verlangen 5 Datenbits");
    QTest::newRow("handshake 4") << 11 << PortErrors::UnsupportedHandshake
                                 << "Unbekannter Handshake 4 (bekannt sind 0 bis 3)";
    QTest::newRow("a character without a byte")
        << 12 << PortErrors::CharacterWithoutByte
        << "Ein zu sendendes Zeichen hat kein Byte im Zeichensatz";
    // Once "the device does not support 7 data bits, even parity".
    QTest::newRow("7E1 on a pseudo-terminal")
        << 13 << PortErrors::UnsupportedSetting
        << "Das Gerät unterstützt nicht: 7 Datenbits, gerade Parität";
    QTest::newRow("5 data bits and space parity on a pseudo-terminal")
        << 14 << PortErrors::UnsupportedSetting
        << "Das Gerät unterstützt nicht: 5 Datenbits, Space-Parität";
    QTest::newRow("a held line") << 15 << PortErrors::WriteTimeout
                                 << "Zeitüberschreitung beim Schreiben: Das Gerät hält die Leitung "
                                    "an (Handshake)";
    QTest::newRow("a device gone") << 16 << EIO << "Das Gerät ist nicht mehr vorhanden ($)";
    QTest::newRow("busy") << 17 << EBUSY
                          << "Schnittstelle belegt: $ wird von einem anderen Programm benutzt";
    QTest::newRow("cannot open, with the system's words")
        << 18 << ELOOP
        << "$ kann nicht geöffnet werden (" + QString::fromLocal8Bit(std::strerror(ELOOP)) + ")";
    QTest::newRow("loopback: Output while closed")
        << 19 << PortErrors::NotOpen << "Die Schnittstelle ist nicht geöffnet";
    QTest::newRow("loopback: settings")
        << 20 << PortErrors::InvalidSettings
        << invalid.arg("9600,N,9,1", "die Datenbits müssen 5, 6, 7 oder 8 sein");
    QTest::newRow("loopback: handshake 7") << 21 << PortErrors::UnsupportedHandshake
                                           << "Unbekannter Handshake 7 (bekannt sind 0 bis 3)";
    QTest::newRow("loopback: CommPort 0")
        << 22 << PortErrors::InvalidPortNumber << "Ungültige Schnittstellennummer 0";
}

// With Language 0 every message of the port layer is a German text of the
// string table, filled in; the system's own words may follow in parentheses.
void tst_TermiosPort::messagesInGerman()
{
    QFETCH(int, failure);
    QFETCH(int, number);
    QFETCH(QString, message);
    PtyPair pty;
    QVERIFY(pty.ok());
    OpenedPort opened(pty, QStringLiteral("9600,N,8,1"), 0, 0);
    TermiosPort &port = opened.port;
    OpenedPort other(pty, QStringLiteral("9600,N,8,1"), 0, 0);
    ScriptedDevice device;
    LoopPort loop([] { return quint8(0); });
    const std::function<void()> calls[] = {
        [&] { port.setOutput(QStringLiteral("A")); },
        [&] {
            port.setPortOpen(true);
            port.setCommPort(2);
        },
        [&] { port.setCommPort(0); },
        [&] { port.setInBufferSize(0); },
        [&] { port.setInputLen(-1); },
        [&] { port.setSettings(QStringLiteral("fast")); },
        [&] { port.setSettings(QStringLiteral("9,N,8,1")); },
        [&] { port.setSettings(QStringLiteral("9600,X,8,1")); },
        [&] { port.setSettings(QStringLiteral("9600,N,9,1")); },
        [&] { port.setSettings(QStringLiteral("9600,N,8,3")); },
        [&] { port.setSettings(QStringLiteral("9600,N,8,1.5")); },
        [&] { port.setHandshaking(4); },
        [&] {
            port.setPortOpen(true);
            port.setOutput(QStringLiteral("\u65E5"));
        },
        [&] {
            port.setSettings(QStringLiteral("9600,E,7,1"));
            port.setPortOpen(true);
        },
        [&] {
            port.setSettings(QStringLiteral("9600,S,5,1.5"));
            port.setPortOpen(true);
        },
        [&] {
            port.setHandshaking(1);
            port.setWriteTimeout(std::chrono::milliseconds(100));
            port.setPortOpen(true);
            if (pty.write("\x13")) // XOFF
                QTest::qWait(20);
            port.setOutput(QStringLiteral("A"));
        },
        [&] {
            port.setPortOpen(true);
            ::close(pty.slave());
            pty.closeMaster();
            QTest::qWait(50);
            port.setOutput(QStringLiteral("A"));
        },
        [&] {
            other.port.setPortOpen(true);
            port.setPortOpen(true);
        },
        [&] {
            device.failingOpens = 1;
            device.openErrno = ELOOP;
            port.setDeviceCalls(device);
            port.setPortOpen(true);
        },
        [&] { loop.setOutput(QStringLiteral("A")); },
        [&] { loop.setSettings(QStringLiteral("9600,N,9,1")); },
        [&] { loop.setHandshaking(7); },
        [&] { loop.setCommPort(0); },
    };
    QCOMPARE(std::size(calls), std::size_t(23));
    try {
        calls[failure]();
        QFAIL("no error raised");
    } catch (const PortError &error) {
        QCOMPARE(error.description(), message.replace(u'$', pty.path()));
        QVERIFY2(isGermanTableText(error.description()), qPrintable(error.description()));
        if (failure != 16) // a hang-up reads as EIO or ENXIO, depending on the driver
            QCOMPARE(error.number(), number);
    }
}

// Not data-driven with the rest: the resolver is what differs.
class tst_TermiosPortResolver : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void unknownNumber_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("mappedPath"); // the name messages use
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("openErrno"); // the device node refuses with this; 0: it does not
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("words");
        QTest::newRow("resolver says no") << "" << "COM7 is not present" << "" << 1 << 0
                                          << PortErrors::NoDevice << "COM7 is not present";
        QTest::newRow("resolver knows nothing")
            << "" << "" << "" << 1 << 0 << PortErrors::NoDevice << "there is no device for COM7";
        QTest::newRow("resolver knows nothing, German") << "" << "" << "" << 0 << 0
                                                        << PortErrors::NoDevice
                                                        << u"Für COM7 ist kein Gerät bekannt"_qs;
        QTest::newRow("missing file") << "/dev/lintrova-missing" << "" << "" << 1 << 0 << ENOENT
                                      << "/dev/lintrova-missing is not present";
        QTest::newRow("missing file, German") << "/dev/lintrova-missing" << "" << "" << 0 << 0
                                              << ENOENT << "/dev/lintrova-missing ist nicht vorhanden";
        QTest::newRow("not a terminal") << "/dev/null" << "" << "" << 1 << 0 << ENOTTY
                                        << "/dev/null is not a serial device";
        QTest::newRow("not a terminal, named as mapped, German")
            << "/dev/null" << "" << "/home/me/device" << 0 << 0 << ENOTTY
            << "/home/me/device ist keine serielle Schnittstelle";
        // A folder was once "not present".
        QTest::newRow("a folder") << "/tmp" << "" << "" << 1 << 0 << EISDIR
                                  << "/tmp is not a serial device";
        QTest::newRow("permission denied") << "/dev/null" << "" << "/dev/serial/by-id/x" << 1
                                           << EACCES << EACCES
                                           << "permission denied for /dev/serial/by-id/x: on "
                                              "Debian the user must be in the group dialout and "
                                              "log in again";
        QTest::newRow("permission denied, German")
            << "/dev/null" << "" << "/dev/serial/by-id/x" << 0 << EPERM << EPERM
            << u"Keine Berechtigung für /dev/serial/by-id/x: Unter Debian muss der Benutzer zur "
               "Gruppe dialout gehören und sich danach neu anmelden"_qs;
        QTest::newRow("busy, German") << "/dev/null" << "" << "/dev/ttyUSB0" << 0 << EBUSY << EBUSY
                                      << "Schnittstelle belegt: /dev/ttyUSB0 wird von einem anderen "
                                         "Programm benutzt";
    }
    void unknownNumber()
    {
        QFETCH(QString, path);
        QFETCH(QString, error);
        QFETCH(QString, mappedPath);
        QFETCH(int, language);
        QFETCH(int, openErrno);
        QFETCH(int, number);
        QFETCH(QString, words);
        int asked = 0;
        ScriptedDevice device;
        device.failingOpens = openErrno != 0 ? 1 : 0;
        device.openErrno = openErrno;
        TermiosPort port(
            [&](int com) {
                asked = com;
                return PortPath{path, error, mappedPath};
            },
            [language] { return quint8(language); });
        port.setDeviceCalls(device);
        port.setCommPort(7);
        expectPortError([&] { port.setPortOpen(true); }, number, words);
        QCOMPARE(asked, 7);
        QVERIFY(!port.PortOpen());
    }

    void awaitedAfterAFailedOpening_data()
    {
        // $ stands for a path in a temporary folder where nothing is.
        QTest::addColumn<QString>("path");       // what the resolver names
        QTest::addColumn<QString>("error");      // what the resolver says is wrong
        QTest::addColumn<QString>("mappedPath"); // COM7's entry
        QTest::addColumn<int>("openErrno"); // the device node refuses with this; 0: it does not
        QTest::addColumn<QString>("awaited");
        QTest::newRow("an entry whose device is not there") << ""
                                                            << "COM7 is not present"
                                                            << "$" << 0 << "$";
        QTest::newRow("gone between the lookup and the opening") << "$"
                                                                 << ""
                                                                 << "$" << 0 << "$";
        QTest::newRow("a pseudo-terminal's number is never awaited") << ""
                                                                     << "COM7 is not present"
                                                                     << "/dev/pts/4095" << 0 << "";
        QTest::newRow("an entry that is there but no device") << ""
                                                              << "/tmp is not a serial device"
                                                              << "/tmp" << 0 << "";
        QTest::newRow("no entry at all") << ""
                                         << "COM7 is not assigned"
                                         << "" << 0 << "";
        QTest::newRow("busy") << "/dev/null"
                              << ""
                              << "/dev/ttyUSB0" << EBUSY << "";
        QTest::newRow("permission denied") << "/dev/null"
                                           << ""
                                           << "/dev/ttyUSB0" << EACCES << "";
    }
    void awaitedAfterAFailedOpening()
    {
        QFETCH(QString, path);
        QFETCH(QString, error);
        QFETCH(QString, mappedPath);
        QFETCH(int, openErrno);
        QFETCH(QString, awaited);
        QTemporaryDir folder;
        const QString missing = folder.filePath(QStringLiteral("usb-adapter"));
        for (QString *text : {&path, &mappedPath, &awaited})
            text->replace(u'$', missing);
        ScriptedDevice device;
        device.failingOpens = openErrno != 0 ? 1 : 0;
        device.openErrno = openErrno;
        PortPath answer{path, error, mappedPath};
        TermiosPort port([&answer](int) { return answer; });
        port.setDeviceCalls(device);
        port.setCommPort(7);
        QVERIFY_THROWS_EXCEPTION(PortError, port.setPortOpen(true));
        QCOMPARE(port.awaitablePath(), awaited);
        if (awaited.isEmpty())
            return;
        // Any device that appears there is the one awaited: none was known.
        PtyPair pty;
        answer = PortPath{pty.path(), QString(), mappedPath, QStringLiteral("B2")};
        QVERIFY(port.sameDeviceBack());
        answer.mappedPath = QStringLiteral("/elsewhere");
        QVERIFY(!port.sameDeviceBack());
        // An opening that succeeds ends the waiting.
        answer.mappedPath = mappedPath;
        port.setPortOpen(true);
        QCOMPARE(port.awaitablePath(), QString());
    }

    // A device opened under an entry, then missing there: what comes back
    // must still be that device (the USB serial number of a kernel name).
    void missingAfterOpenedKeepsItsIdentity()
    {
        PtyPair pty;
        QTemporaryDir folder;
        const QString entry = folder.filePath(QStringLiteral("ttyUSB0"));
        PortPath answer{pty.path(), QString(), entry, QStringLiteral("A1")};
        TermiosPort port([&answer](int) { return answer; });
        port.setCommPort(7);
        port.setPortOpen(true);
        port.setPortOpen(false);
        answer = PortPath{QString(), QStringLiteral("COM7 is not present"), entry};
        QVERIFY_THROWS_EXCEPTION(PortError, port.setPortOpen(true));
        QCOMPARE(port.awaitablePath(), entry);
        answer = PortPath{pty.path(), QString(), entry, QStringLiteral("B2")};
        QVERIFY(!port.sameDeviceBack()); // another adapter under the kernel's name
        answer.identity = QStringLiteral("A1");
        QVERIFY(port.sameDeviceBack());
    }

    void sameDeviceBack_data()
    {
        QTest::addColumn<QString>("mappedBefore");
        QTest::addColumn<QString>("mappedAfter");
        QTest::addColumn<QString>("identityAfter");
        QTest::addColumn<QString>("errorAfter");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("same");
        QTest::newRow("same name and identity")
            << "/my/link" << "/my/link" << "A1" << "" << true << true;
        QTest::newRow("another device under a kernel name")
            << "/my/link" << "/my/link" << "B2" << "" << true << false;
        QTest::newRow("the entry names another path")
            << "/my/link" << "/other" << "A1" << "" << true << false;
        QTest::newRow("not there")
            << "/my/link" << "/my/link" << "A1" << "COM3 is not present" << true << false;
        QTest::newRow("still open") << "/my/link" << "/my/link" << "A1" << "" << false << false;
        QTest::newRow("a pseudo-terminal by its number")
            << "/dev/pts/5" << "/dev/pts/5" << "A1" << "" << true << false;
    }
    void sameDeviceBack()
    {
        QFETCH(QString, mappedBefore);
        QFETCH(QString, mappedAfter);
        QFETCH(QString, identityAfter);
        QFETCH(QString, errorAfter);
        QFETCH(bool, closed);
        QFETCH(bool, same);
        PtyPair pty;
        QVERIFY(pty.ok());
        PortPath answer{pty.path(), QString(), mappedBefore, QStringLiteral("A1")};
        int asked = 0;
        TermiosPort port([&](int com) {
            asked = com;
            return answer;
        });
        port.setCommPort(3);
        port.setPortOpen(true);
        if (closed)
            port.setPortOpen(false);
        QCOMPARE(port.devicePath(), mappedBefore);
        if (closed)
            port.setCommPort(4); // asked about the number it was opened as
        answer = PortPath{errorAfter.isEmpty() ? pty.path() : QString(), errorAfter, mappedAfter,
                          identityAfter};
        asked = 0;
        QCOMPARE(port.sameDeviceBack(), same);
        QCOMPARE(asked, closed && !mappedBefore.startsWith(QLatin1String("/dev/pts/")) ? 3 : 0);
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    tst_TermiosPort port;
    tst_TermiosPortResolver resolver;
    return QTest::qExec(&port, argc, argv) | QTest::qExec(&resolver, argc, argv);
}

#include "tst_termiosport.moc"
