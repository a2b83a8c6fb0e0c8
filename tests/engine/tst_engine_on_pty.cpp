// The terminal engine on real pseudo-terminals: the bytes on the wire, the
// [IN] lines a device's answers give, port numbers from Ports.ini.

#include "FakeView.h"
#include "ports/PtyPair.h"
#include "ports/ScriptedDevice.h"

#include "app/modGlobal.h"
#include "host/ComPortMap.h"
#include "ports/TermiosPort.h"
#include "engine/TerminalEngine.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTemporaryFile>
#include <QTest>

#include <atomic>
#include <functional>
#include <memory>
#include <termios.h>
#include <vector>
#include <thread>

namespace {

// n characters 'a' to 'z' over and over, from the letter `from` on.
QByteArray letters(int n, int from = 0)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out.append(char('a' + (from + i) % 26));
    return out;
}

class NoDevices : public SerialDeviceSource {
public:
    QList<SerialDevice> devices() const override { return {}; }
};

// An engine whose COM1 is the slave of a pseudo-terminal.
struct Terminal {
    ScriptedDevice calls; // the port's system calls, recorded
    PtyPair device;
    SettingsRecord settings;
    FakeView view;
    std::unique_ptr<TermiosPort> port;
    std::unique_ptr<TerminalEngine> engine;

    explicit Terminal(PortPathResolver resolver = {})
    {
        settings.Baudrate = 5;
        settings.DTR = 1;
        settings.Peculiar = 1;
        if (!resolver) {
            const QString path = device.path();
            resolver = [path](int) { return PortPath{path, QString()}; };
        }
        port = std::make_unique<TermiosPort>(std::move(resolver),
                                             [this] { return settings.Language; });
        port->setDeviceCalls(calls);
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

class tst_EngineOnPty : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void prefixAndSuffixOnTheWire();
    void receivedControlCharacters_data();
    void receivedControlCharacters();
    void quietTimeEndsBlocks_data();
    void quietTimeEndsBlocks();
    void blockEndsAtBufferSize_data();
    void blockEndsAtBufferSize();
    void idleTerminalWakesForABlock();
    void modemLinesReadWhileOpen();
    void telegramsGoOutWhole_data();
    void telegramsGoOutWhole();
    void fileOnTheWire_data();
    void fileOnTheWire();
    void longTransmissionWithRts_data();
    void longTransmissionWithRts();
    void vanishingDeviceKeepsTheLog();
    void vanishedDeviceComesBack_data();
    void vanishedDeviceComesBack();
    void staleLinkToAReusedPtyIsLeftAlone();
    void secondOpenerIsRefused();
    void comNumbersFromPortsIni_data();
    void comNumbersFromPortsIni();
};

void tst_EngineOnPty::prefixAndSuffixOnTheWire()
{
    Terminal t;
    t.settings.PrefixOption = 1;
    t.settings.ReadjustOption = 1;
    t.settings.PrefixChars = QStringLiteral("<STX>");
    t.settings.ReadjustChars = QStringLiteral("<ETX>");
    QVERIFY(t.open());
    t.view.send = QStringLiteral("ABC");
    t.engine->transmitter().cmdSend_Click();
    QCOMPARE(t.device.read(5), QByteArray("\x02" "ABC\x03"));
    QCOMPARE(t.contents(), QStringList{QStringLiteral("  [OUT]  <STX>ABC<ETX>")});
}

void tst_EngineOnPty::receivedControlCharacters_data()
{
    QTest::addColumn<int>("peculiar");
    QTest::addColumn<QString>("content");
    QTest::newRow("as tokens") << 1 << QStringLiteral("A<CR><LF><NUL>B\xE4");
    QTest::newRow("raw") << 0 << QString::fromLatin1("A\r\n\0B\xE4", 6);
}

void tst_EngineOnPty::receivedControlCharacters()
{
    QFETCH(int, peculiar);
    QFETCH(QString, content);
    Terminal t;
    t.settings.Peculiar = quint8(peculiar);
    // What the device sent while the port was closed is never heard.
    QVERIFY(t.device.write("sent before the opening\r\n"));
    QVERIFY(t.open());
    t.view.waitTime = QStringLiteral("20");
    t.engine->startTimers();
    QVERIFY(t.device.write(QByteArray("A\r\n\0B\xE4", 6)));
    QTRY_COMPARE(t.engine->log().count(), 1);
    QCOMPARE(t.contents(), QStringList{QStringLiteral("  [IN]   ") + content});
}

void tst_EngineOnPty::quietTimeEndsBlocks_data()
{
    QTest::addColumn<int>("quietMs");
    QTest::addColumn<QList<QByteArray>>("parts");
    QTest::addColumn<QList<int>>("partsAt"); // ms after the first part
    QTest::addColumn<QList<QByteArray>>("lines");
    QTest::addColumn<int>("lineEnd");
    const QList<QByteArray> short3 = {"AB", "CD", "EF"};
    QTest::newRow("200 ms apart") << 500 << short3 << QList<int>{0, 200}
                                  << QList<QByteArray>{"ABCD"} << 0;
    QTest::newRow("1200 ms apart")
        << 500 << short3 << QList<int>{0, 1200} << QList<QByteArray>{"AB", "CD"} << 0;
    // Each part comes within the quiet time of the one before, though the
    // last one comes later than one quiet time after the first.
    QTest::newRow("a block goes on while characters keep arriving")
        << 300 << short3 << QList<int>{0, 200, 450} << QList<QByteArray>{"ABCDEF"} << 0;
    // A device that pauses between telegrams gets the lines it always got,
    // also with telegrams just short of the buffer and one beyond it.
    const QByteArray t1 = letters(2000), t2 = letters(2000, 5), t3 = letters(900, 9);
    QTest::newRow("telegrams of 2,000 characters with pauses: a line each")
        << 300 << QList<QByteArray>{t1, t2, t3} << QList<int>{0, 700, 1400}
        << QList<QByteArray>{t1, t2, t3} << 0;
    const QByteArray long1 = letters(1500), long2 = letters(1000, 20);
    const QByteArray whole = long1 + long2;
    QTest::newRow("a telegram longer than the buffer is split after 2,048 characters")
        << 300 << QList<QByteArray>{long1, long2, "AB"} << QList<int>{0, 100, 1000}
        << QList<QByteArray>{whole.left(2048), whole.mid(2048), "AB"} << 0;
    // The quiet time counts from the last character, looked for every 10 ms.
    QTest::newRow("pauses between one and two quiet times: a line per telegram")
        << 300 << short3 << QList<int>{0, 450, 900} << short3 << 0;
    QTest::newRow("LF: lines split across reads, each at once")
        << 300 << QList<QByteArray>{"AB\nC", "D\nE"} << QList<int>{0, 100}
        << QList<QByteArray>{"AB\n", "CD\n", "E"} << 1;
}

void tst_EngineOnPty::quietTimeEndsBlocks()
{
    QFETCH(int, quietMs);
    QFETCH(QList<QByteArray>, parts);
    QFETCH(QList<int>, partsAt);
    QFETCH(QList<QByteArray>, lines);
    QFETCH(int, lineEnd);
    Terminal t;
    t.settings.Peculiar = 0;
    t.settings.LineEnd = quint8(lineEnd);
    QVERIFY(t.open());
    t.view.waitTime = QString::number(quietMs);
    t.engine->startTimers();
    QVERIFY(t.device.write(parts[0]));
    for (int i = 1; i < partsAt.size(); ++i)
        QTimer::singleShot(partsAt[i], [&t, part = parts[i]] { t.device.write(part); });
    QTRY_COMPARE_WITH_TIMEOUT(t.engine->log().count(), lines.size(), 10000);
    QTest::qWait(quietMs + 100); // nothing else may follow
    QStringList expected;
    for (const QByteArray &line : lines)
        expected.append(QStringLiteral("  [IN]   ") + QString::fromLatin1(line));
    QCOMPARE(t.contents(), expected);
}

void tst_EngineOnPty::blockEndsAtBufferSize_data()
{
    // Characters a device sends at once, with a quiet time of 10 s: the full
    // blocks come at once, long before the quiet time; the rest only after
    // it (which is then cut to 50 ms, so that the test need not wait).
    QTest::addColumn<int>("written");
    QTest::addColumn<QList<int>>("atOnce"); // lengths of the lines
    QTest::addColumn<int>("afterQuiet");    // length of the last line; 0: none
    QTest::newRow("a full buffer ends a block at once") << 2048 << QList<int>{2048} << 0;
    QTest::newRow("2,048 + 100 characters: a full line at once, the rest after the quiet time")
        << 2148 << QList<int>{2048} << 100;
    QTest::newRow("5,000 characters: every full block at once, in order")
        << 5000 << QList<int>{2048, 2048} << 904;
    QTest::newRow("20 blocks and a half: every full block at once, in order")
        << 20 * 2048 + 1024 << QList<int>(20, 2048) << 1024;
    QTest::newRow("2,047 characters wait for the quiet time") << 2047 << QList<int>{} << 2047;
}

void tst_EngineOnPty::blockEndsAtBufferSize()
{
    QFETCH(int, written);
    QFETCH(QList<int>, atOnce);
    QFETCH(int, afterQuiet);
    Terminal t;
    t.settings.Peculiar = 0;
    QVERIFY(t.open());
    t.view.waitTime = QStringLiteral("10000");
    t.engine->startTimers();
    const auto lengths = [&t] {
        QList<int> out;
        for (const QString &line : t.contents())
            out.append(int(line.size()) - 9);
        return out;
    };
    // The device writes on a thread of its own, as fast as the port reads.
    const QByteArray data = letters(written);
    std::atomic<bool> sent{false};
    std::thread device([&] { sent = t.device.write(data); });
    // What the log shows half a second after the device is done is looked
    // at from a timer: a poll in its quiet wait holds up the test's own waits.
    QList<int> seen;
    bool looked = false;
    std::function<void()> lookOnceSent = [&] {
        if (!sent) {
            QTimer::singleShot(50, lookOnceSent);
            return;
        }
        QTimer::singleShot(500, [&] {
            seen = lengths();
            looked = true;
            t.view.waitTime = QStringLiteral("50");
        });
    };
    QTimer::singleShot(50, lookOnceSent);
    QTRY_VERIFY_WITH_TIMEOUT(looked, 30000);
    device.join();
    QCOMPARE(seen, atOnce);
    QList<int> all = atOnce;
    if (afterQuiet > 0)
        all.append(afterQuiet);
    QTRY_COMPARE(lengths(), all);
    QCOMPARE(t.contents().join(QString()).remove(QStringLiteral("  [IN]   ")),
             QString::fromLatin1(data));
}

// With nothing arriving no timer runs. The arrival of a character arms the
// receive timer for one interval at once, so the first poll of a block is
// never put off (bench_engine measures how soon the block is logged).
void tst_EngineOnPty::idleTerminalWakesForABlock()
{
    Terminal t;
    QVERIFY(t.open());
    t.view.waitTime = QStringLiteral("20");
    t.engine->startTimers();
    QTest::qWait(300);
    QVERIFY(!t.engine->receiveTimerEnabled());
    QVERIFY(!t.engine->repeatTimerEnabled());
    QVERIFY(t.device.write("AB"));
    // One pass of the event loop at a time: the pass that hears of the
    // arrival arms the timer, which cannot fire in that same pass.
    QDeadlineTimer give(5000);
    while (!t.engine->receiveTimerEnabled() && !give.hasExpired())
        QCoreApplication::processEvents();
    QVERIFY(t.contents().isEmpty());
    QVERIFY(t.engine->receiveTimerEnabled());
    QVERIFY2(t.engine->receivePollDueMs() <= 10,
             qPrintable(QString::number(t.engine->receivePollDueMs())));
    QTRY_COMPARE(t.contents(), QStringList{QStringLiteral("  [IN]   AB")});
    QTRY_VERIFY(!t.engine->receiveTimerEnabled()); // and back to sleep
}

// A device with modem lines (scripted: a pseudo-terminal has none) is read
// every 100 ms while it is open, so an indicator follows a change within
// 200 ms (here with room for a busy machine); closing it stops the reading.
void tst_EngineOnPty::modemLinesReadWhileOpen()
{
    Terminal t;
    t.calls.modemBits = TIOCM_DSR;
    QVERIFY(t.open());
    QVERIFY(t.engine->linePollRunning());
    QCOMPARE(t.view.lines.inputs, std::optional<quint8>(kDsr));
    const qsizetype before = t.calls.calls.count(QStringLiteral("modem lines"));
    t.calls.modemBits = TIOCM_CTS | TIOCM_RNG;
    QTRY_COMPARE_WITH_TIMEOUT(t.view.lines.inputs, std::optional<quint8>(kCts | kRi), 300);
    QTest::qWait(500);
    const qsizetype reads = t.calls.calls.count(QStringLiteral("modem lines")) - before;
    QVERIFY2(reads >= 4 && reads <= 9, qPrintable(QString::number(reads)));
    t.engine->connection().closePort();
    QVERIFY(!t.engine->linePollRunning() && !t.view.lines.switchable && !t.view.lines.inputs);
}

void tst_EngineOnPty::telegramsGoOutWhole_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("charDelay");
    QTest::addColumn<QStringList>("writes");
    QTest::newRow("1 byte") << 1 << 0 << QStringList{"write 1"};
    QTest::newRow("8 bytes, a Modbus request") << 8 << 0 << QStringList{"write 8"};
    QTest::newRow("300 bytes") << 300 << 0 << QStringList{"write 300"};
    QTest::newRow("3 bytes at a delay of 5 ms") << 3 << 5 << QStringList(3, "write 1");
}

void tst_EngineOnPty::telegramsGoOutWhole()
{
    QFETCH(int, length);
    QFETCH(int, charDelay);
    QFETCH(QStringList, writes);
    Terminal t;
    t.settings.CharDelay = qint16(charDelay);
    QVERIFY(t.open());
    t.calls.calls.clear();
    t.engine->transmitter().SendText(QString::fromLatin1(letters(length)));
    QCOMPARE(t.device.read(length), letters(length));
    QCOMPARE(t.calls.calls, writes);
}

void tst_EngineOnPty::fileOnTheWire_data()
{
    QTest::addColumn<int>("rts");
    QTest::addColumn<int>("charDelay");
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("calls");
    const QStringList pieces{"write 4096", "write 4096", "write 1808"};
    QTest::newRow("10,000 bytes, RTS around them")
        << 1 << 0 << 0 << letters(10000) << QStringList{"RTS on"} + pieces + QStringList{"RTS off"};
    QTest::newRow("no RTS") << 0 << 0 << 0 << letters(10000) << pieces;
    QTest::newRow("character delay")
        << 0 << 5 << 0 << QByteArray("a\nc") << QStringList(3, "write 1");
    QTest::newRow("pause after each LF") << 0 << 0 << 10 << QByteArray("a\nb\n\nc")
                                         << QStringList{"write 2", "write 2", "write 1", "write 1"};
}

// A file goes out in writes of at most 4 KiB (one character with a delay, up
// to an LF with a pause), RTS raised around the whole of it when set.
void tst_EngineOnPty::fileOnTheWire()
{
    QFETCH(int, rts);
    QFETCH(int, charDelay);
    QFETCH(int, pauseMs);
    QFETCH(QByteArray, file);
    QFETCH(QStringList, calls);
    Terminal t;
    t.settings.RTS = quint8(rts);
    t.settings.CharDelay = qint16(charDelay);
    QVERIFY(t.open());
    QTemporaryFile source;
    QVERIFY(source.open() && source.write(file) == file.size() && source.flush());
    t.calls.calls.clear();
    QVERIFY(t.engine->fileSender().start(source.fileName(), pauseMs));
    QByteArray got;
    QTRY_VERIFY((got += t.device.readPending(1)).size() >= file.size());
    QTRY_VERIFY(!t.engine->sendingFile());
    QCOMPARE(got, file);
    t.calls.calls.removeAll(QStringLiteral("queued"));
    t.calls.calls.removeAll(QStringLiteral("drain"));
    QCOMPARE(t.calls.calls, calls);
}

void tst_EngineOnPty::longTransmissionWithRts_data()
{
    QTest::addColumn<double>("charsPerSecond"); // how fast the line takes them; 0: held
    QTest::addColumn<bool>("logged");
    // 400 characters need 13.3 s at 300 baud, longer than the drain once waited.
    QTest::newRow("every character left: logged") << 30.0 << true;
    QTest::newRow("the device holds the line: not logged") << 0.0 << false;
}

void tst_EngineOnPty::longTransmissionWithRts()
{
    QFETCH(double, charsPerSecond);
    QFETCH(bool, logged);
    Terminal t;
    t.settings.RTS = 1;
    t.settings.Baudrate = 0;
    QVERIFY(t.open());
    t.calls.scriptLine = true;
    t.calls.charsPerSecond = charsPerSecond;
    t.calls.step = std::chrono::milliseconds(1000);
    const QString text(400, QLatin1Char('x'));
    t.engine->transmitter().SendText(text);
    QCOMPARE(t.device.read(400).size(), 400);
    QCOMPARE(t.contents(), logged ? QStringList{QStringLiteral("  [OUT]  ") + text} : QStringList());
    QCOMPARE(t.calls.calls.last(), QStringLiteral("RTS off")); // dropped in either case
}

void tst_EngineOnPty::vanishingDeviceKeepsTheLog()
{
    Terminal t;
    QVERIFY(t.open());
    t.view.waitTime = QStringLiteral("0");
    t.engine->startTimers();
    QVERIFY(t.device.write("AB"));
    QTRY_COMPARE(t.engine->log().count(), 1);
    t.device.closeMaster();
    QTest::qWait(100);
    t.engine->transmitter().SendText(QStringLiteral("X"));
    QTest::qWait(50);
    const QString path = t.device.path();
    QCOMPARE(t.contents(), (QStringList{"  [IN]   AB", "# COM1 verloren: Das Gerät ist nicht mehr "
                                                     "vorhanden (" + path + ')',
                                        "# Warte auf COM1 (" + path + ')'}));
}

void tst_EngineOnPty::vanishedDeviceComesBack_data()
{
    QTest::addColumn<int>("refusedOpenings"); // permission denied at first, as udev sets it later
    QTest::newRow("opens at once") << 0;
    QTest::newRow("permissions come a moment later") << 3;
}

// COM5 is a link to a pseudo-terminal; closing its master takes the device
// away, a link to a new pseudo-terminal brings it back.
void tst_EngineOnPty::vanishedDeviceComesBack()
{
    QFETCH(int, refusedOpenings);
    QTemporaryDir data;
    const QString folder = data.path() + u'/';
    auto first = std::make_unique<PtyPair>();
    const QString link = folder + QStringLiteral("my-device");
    QVERIFY(QFile::link(first->path(), link));
    QFile ini(folder + QStringLiteral("Ports.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[PORTS]\r\nCOM5=%1\r\n").arg(link).toLocal8Bit());
    ini.close();
    NoDevices none;
    Terminal t([folder, &none](int n) {
        ComPortMap map(folder, none);
        const auto found = map.pathFor(n, 0);
        return PortPath{found.path, found.error, found.mappedPath, found.identity};
    });
    t.settings.ComPort = 4;
    t.settings.DeleteSendChars = 1;
    QVERIFY(t.open());
    const QString openStatus = t.view.status;
    t.view.waitTime = QStringLiteral("300");
    t.engine->startTimers();
    QVERIFY(first->write("AB"));
    // Unplugged while the poll waits for the line to fall quiet (the kernel
    // drops what the port has not read yet). The link goes with the device,
    // as a by-id link does: left dangling it would lead to the next
    // pseudo-terminal of whichever program takes the number.
    QTest::qWait(100);
    QVERIFY(QFile::remove(link));
    first.reset();

    QTRY_COMPARE(t.view.status, QStringLiteral("Keine Schnittstelle geöffnet!"));
    QVERIFY(!t.view.portControlsEnabled);
    QVERIFY(!t.port->PortOpen());
    QCOMPARE(t.view.messages, QStringList());
    QCOMPARE(t.contents().first(), QStringLiteral("  [IN]   AB")); // received before it went
    t.view.send = QStringLiteral("hello");
    t.engine->transmitter().cmdSend_Click();
    QCOMPARE(t.view.send, QStringLiteral("hello"));
    QCOMPARE(t.contents().size(), 3); // the loss and the wait beside it
    QTest::qWait(100);
    QVERIFY(!t.engine->receiveTimerEnabled()); // nothing polls while it is away

    PtyPair second;
    t.calls.failingOpens = refusedOpenings;
    t.calls.calls.clear();
    QElapsedTimer sinceBack;
    sinceBack.start();
    QVERIFY(QFile::link(second.path(), link));
    QTRY_VERIFY_WITH_TIMEOUT(t.port->PortOpen(), 3000);
    // Within a second of the first opening that could succeed.
    QVERIFY2(sinceBack.elapsed() < 1000 + refusedOpenings * 250,
             qPrintable(QString::number(sinceBack.elapsed())));
    QCOMPARE(t.calls.calls.count(QStringLiteral("open")), refusedOpenings + 1);
    QCOMPARE(t.view.status, openStatus);
    QVERIFY(t.view.portControlsEnabled);
    QCOMPARE(t.view.messages, QStringList());
    t.engine->transmitter().cmdSend_Click();
    QCOMPARE(second.read(5), QByteArray("hello"));
    QCOMPARE(t.view.send, QString());
    QCOMPARE(t.contents().mid(3), (QStringList{"# COM5 geöffnet: 9600 8N1", "  [OUT]  hello"}));
}

// COM5 is a link to a pseudo-terminal, as a virtual port made by socat is.
// The pseudo-terminal ends and the link stays behind; the next program to ask
// for a pseudo-terminal gets the same number, so the link leads to a terminal
// again, but to someone else's. It is never opened (fault: it was opened
// within 50 ms as "the device that came back", switched to raw 9600 baud,
// and what its owner typed was logged as [IN]). A link made anew counts.
void tst_EngineOnPty::staleLinkToAReusedPtyIsLeftAlone()
{
    QTemporaryDir data;
    const QString folder = data.path() + u'/';
    auto first = std::make_unique<PtyPair>();
    const QString number = first->path();
    const QString link = folder + QStringLiteral("virtual-port");
    QVERIFY(QFile::link(number, link));
    QFile ini(folder + QStringLiteral("Ports.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[PORTS]\r\nCOM5=%1\r\n").arg(link).toLocal8Bit());
    ini.close();
    NoDevices none;
    Terminal t([folder, &none](int n) {
        ComPortMap map(folder, none);
        const auto found = map.pathFor(n, 0);
        return PortPath{found.path, found.error, found.mappedPath, found.identity};
    });
    t.settings.ComPort = 4;
    QVERIFY(t.open());
    t.view.waitTime = QStringLiteral("20");
    t.engine->startTimers();
    first.reset(); // the program behind the virtual port ends
    QTRY_COMPARE(t.view.status, QStringLiteral("Keine Schnittstelle geöffnet!"));
    QVERIFY(t.engine->connection().awaitingDevice());
    QCOMPARE(t.view.waiting, QStringLiteral("Warte auf COM5 (%1)...").arg(link));

    // Another program's terminal takes the number.
    std::vector<std::unique_ptr<PtyPair>> others;
    PtyPair *reused = nullptr;
    for (int i = 0; i < 32 && !reused; ++i) {
        others.push_back(std::make_unique<PtyPair>());
        if (others.back()->path() == number)
            reused = others.back().get();
    }
    if (!reused)
        QSKIP("the system did not hand the pseudo-terminal's number out again");
    termios before{};
    QVERIFY(::tcgetattr(reused->master(), &before) == 0);
    t.calls.calls.clear();
    QVERIFY(reused->write("typed by its owner\n"));
    QTest::qWait(1500);
    QVERIFY(!t.port->PortOpen());
    QCOMPARE(t.calls.calls.count(QStringLiteral("open")), 0);
    QCOMPARE(t.contents().size(), 2); // the loss and the wait, nothing of the owner's
    termios after{};
    QVERIFY(::tcgetattr(reused->master(), &after) == 0);
    QCOMPARE(after.c_lflag, before.c_lflag); // still the owner's canonical mode
    QCOMPARE(cfgetospeed(&after), cfgetospeed(&before));
    QCOMPARE(t.view.status, QStringLiteral("Keine Schnittstelle geöffnet!"));

    // The virtual port made again: its link is new, and it is opened.
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(reused->path(), link));
    QTRY_VERIFY_WITH_TIMEOUT(t.port->PortOpen(), 3000);
    QCOMPARE(t.view.waiting, QString());
    QVERIFY(t.view.status.startsWith(QStringLiteral("Schnittstelle COM5 mit 9600 Baud")));
}

void tst_EngineOnPty::secondOpenerIsRefused()
{
    Terminal first;
    QVERIFY(first.open());
    const QString path = first.device.path();
    Terminal second([path](int) { return PortPath{path, QString()}; });
    second.engine->connection().fkt_MainOpenPort();
    QVERIFY(!second.port->PortOpen());
    QVERIFY(!second.view.portControlsEnabled);
    QCOMPARE(second.view.messages.size(), 1);
    QVERIFY2(second.view.messages.first().contains(QStringLiteral("belegt")),
             qPrintable(second.view.messages.first()));
}

void tst_EngineOnPty::comNumbersFromPortsIni_data()
{
    // $ stands for COM5's entry in Ports.ini, & for Ports.ini itself.
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("busy");
    QTest::addColumn<QString>("notAssigned");
    QTest::newRow("German") << 0 << "Schnittstelle belegt: $ wird von einem anderen Programm benutzt"
                            << u"COM6 ist keinem Gerät zugeordnet; ordnen Sie in & eines zu oder "
                               "schließen Sie das Gerät an"_qs;
    QTest::newRow("English") << 1 << "port busy: $ is in use by another program"
                             << "COM6 is not assigned to a device; assign one in & or connect the "
                                "device";
}

// COM5 is mapped by hand to a link to the pseudo-terminal; messages name the
// link, as the user wrote it, in the program's language.
void tst_EngineOnPty::comNumbersFromPortsIni()
{
    QFETCH(int, language);
    QFETCH(QString, busy);
    QFETCH(QString, notAssigned);
    QTemporaryDir data;
    const QString folder = data.path() + u'/';
    PtyPair device;
    const QString link = folder + QStringLiteral("my-device");
    QVERIFY(QFile::link(device.path(), link));
    QFile ini(folder + QStringLiteral("Ports.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write(QStringLiteral("[PORTS]\r\nCOM5=%1\r\n").arg(link).toLocal8Bit());
    ini.close();
    NoDevices none;
    const auto resolver = [folder, &none, language](int n) {
        ComPortMap map(folder, none);
        const auto found = map.pathFor(n, quint8(language));
        return PortPath{found.path, found.error, found.mappedPath};
    };
    Terminal t(resolver);
    t.settings.Language = quint8(language);
    t.settings.ComPort = 4;
    QVERIFY(t.open());
    QVERIFY(t.view.status.startsWith(language == 0 ? QStringLiteral("Schnittstelle COM5 mit 9600 Baud")
                                                   : QStringLiteral("Interface COM5 is opened")));

    Terminal second(resolver);
    second.settings.Language = quint8(language);
    second.settings.ComPort = 4;
    second.engine->connection().fkt_MainOpenPort();
    QCOMPARE(second.view.messages.size(), 1);
    QVERIFY2(second.view.messages.first().contains(busy.replace(u'$', link) + u'.'),
             qPrintable(second.view.messages.first()));

    t.settings.ComPort = 5;
    t.engine->connection().fkt_MainOpenPort();
    QCOMPARE(t.view.status, language == 0 ? QStringLiteral("Keine Schnittstelle geöffnet!")
                                          : QStringLiteral("No interface connection opened!"));
    QCOMPARE(t.view.messages.size(), 1);
    QVERIFY2(t.view.messages.first().contains(notAssigned.replace(u'&', folder + "Ports.ini") + u'.'),
             qPrintable(t.view.messages.first()));
}

QTEST_GUILESS_MAIN(tst_EngineOnPty)
#include "tst_engine_on_pty.moc"
