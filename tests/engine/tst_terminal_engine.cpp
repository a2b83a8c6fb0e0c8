#include "FakeView.h"
#include "RecordingPort.h"

#include "app/modGlobal.h"
#include "ports/DeviceReturnWatch.h"
#include "engine/LogFile.h"
#include "engine/TerminalEngine.h"
#include "engine/TriggerCheck.h"
#include "host/WaitMilliseconds.h"
#include "text/Codec.h"
#include "text/Tokens.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <memory>
#include <thread>

namespace {

QDateTime at(int h, int m, int s, int ms)
{
    return QDateTime(QDate(2026, 12, 7), QTime(h, m, s, ms), Qt::UTC);
}

// An engine over a recording port and a plain-data window, with a clock the
// test sets.
struct Rig {
    SettingsRecord settings;
    RecordingPort port;
    FakeView view;
    QDateTime now = at(9, 5, 3, 7);
    std::unique_ptr<TerminalEngine> engine;

    Rig()
    {
        settings.DTR = 1;
        settings.Peculiar = 1;
        settings.DeleteSendChars = 1;
        settings.Baudrate = 5;
        engine = std::make_unique<TerminalEngine>(settings, port, view, [this] { return now; });
        view.onSend = [this] { engine->transmitter().cmdSend_Click(); };
        view.onSlot = [this](int n) { engine->repeater().cmdBefehl_Click(n); };
    }
    void openPort()
    {
        engine->connection().fkt_MainOpenPort();
        port.calls.clear();
    }
    QStringList outputs() const
    {
        QStringList out;
        for (const QString &c : port.calls)
            if (c.startsWith(QLatin1String("Output=")))
                out.append(c.mid(7));
        return out;
    }
    QStringList lines() const
    {
        QStringList out;
        for (int i = 0; i < engine->log().count(); ++i)
            out.append(engine->log().line(i));
        return out;
    }
};

// Rules written "When|Send|Slot|AfterMs", "-" in front for one switched off.
TriggerSet triggerRules(const QStringList &rules)
{
    TriggerSet set;
    for (QString text : rules) {
        TriggerRule rule;
        rule.active = !text.startsWith(u'-');
        const QStringList f = text.remove(0, rule.active ? 0 : 1).split(u'|');
        rule.when = f[0];
        rule.send = f[1];
        rule.slot = f.value(2).toInt();
        rule.afterMs = f.value(3).toInt();
        set.rules << rule;
    }
    return set;
}

QString chars(std::initializer_list<int> codes)
{
    QString s;
    for (int c : codes)
        s.append(QChar(char16_t(c)));
    return s;
}

} // namespace

class tst_TerminalEngine : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void openPortWritesMembersInOrder_data();
    void openPortWritesMembersInOrder();
    void openPortStatusText_data();
    void openPortStatusText();
    void openPortFailureReports();
    void openPortFailureWithEmptyDescriptionKeepsPlaceholders();
    void lostDeviceCountsAsClosed_data();
    void lostDeviceCountsAsClosed();
    void lostDeviceComesBack_data();
    void lostDeviceComesBack();
    void portStateOnDemand_data();
    void portStateOnDemand();

    void sendButtonAddsPrefixAndSuffix_data();
    void sendButtonAddsPrefixAndSuffix();
    void sendTextThatCannotBeDecodedSendsNothing_data();
    void sendTextThatCannotBeDecodedSendsNothing();
    void emptySlotLogsEmptyLine();
    void rtsFramesTheTransmission_data();
    void rtsFramesTheTransmission();
    void failingWriteDropsRtsAndLogsNothing();
    void characterDelayComesBeforeEachCharacter();
    void waitRunsEventsOnlyWhenItWaits_data();
    void waitRunsEventsOnlyWhenItWaits();
    void outLineKeepsItsStartTime();
    void noPortSendsAndLogsNothing();

    void receivedBlockIsLogged_data();
    void receivedBlockIsLogged();
    void sentLineKeepsItsBytes_data();
    void sentLineKeepsItsBytes();
    void quietTimeGroupsParts_data();
    void quietTimeGroupsParts();
    void invalidQuietTimeLeavesCharactersWaiting();
    void fullBlocksAreLoggedAtOnce_data();
    void fullBlocksAreLoggedAtOnce();
    void pollTakesFullBlocksWithinItsTime();
    void fullBlocksStopAtTheSizeLimit();
    void quietPausesLeaveArrivalsToTheLook();
    void logClearsBeyondLimitAndDeleteButtonFollows();
    void sizeRuleHoldsWithoutPolls_data();
    void sizeRuleHoldsWithoutPolls();

    void functionKeysPressSlotButtons_data();
    void functionKeysPressSlotButtons();
    void repetitionOrder_data();
    void repetitionOrder();
    void repetitionStopsForGoodOnBadPause();
    void repetitionTimerFollowsTheBoxes_data();
    void repetitionTimerFollowsTheBoxes();
    void repetitionPressesSendButton();
    void slotIgnoresPrefixAndSuffix();
    void repetitionTellsAFailureOnce();

    void triggersFire_data();
    void triggersFire();
    void triggerLoopGuard_data();
    void triggerLoopGuard();
    void triggerFileKeepsWhatItCannotUse_data();
    void triggerFileKeepsWhatItCannotUse();
};

void tst_TerminalEngine::openPortWritesMembersInOrder_data()
{
    QTest::addColumn<bool>("wasOpen");
    QTest::addColumn<int>("dtr");
    QTest::addColumn<QString>("dtrEnable");
    QTest::addColumn<bool>("againWhileClosing"); // a second Accept while the output drains
    QTest::newRow("closed before") << false << 0 << "false" << false;
    QTest::newRow("open before") << true << 0 << "false" << false;
    QTest::newRow("DTR 1 is on") << false << 1 << "true" << false;
    QTest::newRow("DTR 2 is on too") << false << 2 << "true" << false;
    QTest::newRow("DTR 255 is on too") << true << 255 << "true" << false;
    QTest::newRow("opened again while closing: once") << true << 1 << "true" << true;
}

void tst_TerminalEngine::openPortWritesMembersInOrder()
{
    QFETCH(bool, wasOpen);
    QFETCH(int, dtr);
    QFETCH(QString, dtrEnable);
    QFETCH(bool, againWhileClosing);
    Rig rig;
    rig.port.open = wasOpen;
    if (againWhileClosing)
        rig.port.whileClosing = [&rig] { rig.engine->connection().fkt_MainOpenPort(); };
    rig.settings.ComPort = 2;
    rig.settings.Baudrate = 10;
    rig.settings.Dataformat = 2;
    rig.settings.Handshake = 3;
    rig.settings.DTR = quint8(dtr);
    rig.engine->connection().fkt_MainOpenPort();
    QStringList expected{QStringLiteral("PortOpen?")};
    if (wasOpen)
        expected << QStringLiteral("PortOpen=false");
    expected << QStringLiteral("CommPort=3") << QStringLiteral("Settings=115200,E,7,1")
             << QStringLiteral("InBufferSize=2048") << QStringLiteral("InputLen=0")
             << QStringLiteral("RThreshold=1") << QStringLiteral("SThreshold=1")
             << QStringLiteral("EOFEnable=false") << QStringLiteral("Handshaking=3")
             << QStringLiteral("DTREnable=") + dtrEnable << QStringLiteral("PortOpen?")
             << QStringLiteral("PortOpen=true");
    QCOMPARE(rig.port.calls, expected);
    QVERIFY(rig.view.portControlsEnabled);
    QVERIFY(rig.view.messages.isEmpty());
}

void tst_TerminalEngine::openPortStatusText_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<int>("comPort");
    QTest::addColumn<int>("baudrate");
    QTest::addColumn<int>("handshake");
    QTest::addColumn<QString>("settingsString");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("dataformat");
    QTest::addColumn<QString>("entry");       // the port's Ports.ini entry
    QTest::addColumn<QString>("description"); // for the header of a log file
    QTest::newRow("German COM1") << 0 << 0 << 5 << 0 << "9600,N,8,1"
                                 << QStringLiteral(
                                        "Schnittstelle COM1 mit 9600 Baud 8 Datenbits, 1 "
                                        "Stoppbit, Keine Parität und Handshake None ist "
                                        "geöffnet.")
                                 << 0 << "/dev/ttyUSB0"
                                 << "COM1 = /dev/ttyUSB0  9600 8N1";
    QTest::newRow("English COM1") << 1 << 0 << 5 << 0 << "9600,N,8,1"
                                  << QStringLiteral(
                                         "Interface COM1 is opened with 9600 baud 8 Data "
                                         "bits, 1 Stop bit, no Parity and Handshake None.")
                                  << 0 << ""
                                  << "COM1  9600 8N1";
    QTest::newRow("baud outside table") << 0 << 0 << 200 << 1 << "9600,E,7,1"
                                        << QStringLiteral("Schnittstelle COM1 mit 9600 Baud 7 "
                                                          "Datenbits, 1 Stoppbit, gerade Parität "
                                                          "und Handshake XOnXoff ist geöffnet.")
                                        << 2 << "loop://"
                                        << "COM1 = loop://  9600 7E1";
    QTest::newRow("COM16") << 1 << 15 << 13 << 2 << "921600,O,8,1"
                           << QStringLiteral("Interface COM16 is opened with 921600 baud 8 Data "
                                             "bits, 1 Stop bit, odd Parity and Handshake RTS.")
                           << 6 << "rfc2217://host:2217"
                           << "COM16 = rfc2217://host:2217  921600 8O1";
    // Every index of the baud-rate table, and the first one beyond it.
    const QStringList rates{"300",   "600",   "1200",  "2400",   "4800",   "9600",   "19200",
                            "38400", "56000", "57600", "115200", "230400", "460800", "921600",
                            "9600"};
    for (int index = 0; index < rates.size(); ++index)
        QTest::addRow("Baudrate %d", index)
            << 1 << 0 << index << 0 << rates[index] + QStringLiteral(",N,8,1")
            << QStringLiteral("Interface COM1 is opened with %1 baud 8 Data bits, 1 Stop bit, no "
                              "Parity and Handshake None.")
                   .arg(rates[index])
            << 0 << "/dev/x" << QStringLiteral("COM1 = /dev/x  %1 8N1").arg(rates[index]);
}

void tst_TerminalEngine::openPortStatusText()
{
    QFETCH(int, language);
    QFETCH(int, comPort);
    QFETCH(int, baudrate);
    QFETCH(int, handshake);
    QFETCH(QString, settingsString);
    QFETCH(QString, status);
    QFETCH(int, dataformat);
    QFETCH(QString, entry);
    QFETCH(QString, description);
    Rig rig;
    rig.port.path = entry;
    rig.settings.Dataformat = quint8(dataformat);
    rig.settings.Language = quint8(language);
    rig.settings.ComPort = quint8(comPort);
    rig.settings.Baudrate = quint8(baudrate);
    rig.settings.Handshake = quint8(handshake);
    rig.engine->connection().fkt_MainOpenPort();
    QVERIFY(rig.port.calls.contains(QStringLiteral("Settings=") + settingsString));
    QVERIFY(rig.port.calls.contains(QStringLiteral("CommPort=%1").arg(comPort + 1)));
    QCOMPARE(rig.view.status, status);
    QCOMPARE(rig.engine->connection().portDescription(), description);
    rig.engine->connection().closePort();
    QCOMPARE(rig.engine->connection().portDescription(), QString());
}

void tst_TerminalEngine::openPortFailureReports()
{
    Rig rig;
    rig.port.failAt = QStringLiteral("Handshaking");
    rig.view.portControlsEnabled = true;
    rig.engine->connection().fkt_MainOpenPort();
    QCOMPARE(rig.view.status, QStringLiteral("Keine Schnittstelle geöffnet!"));
    QVERIFY(!rig.view.portControlsEnabled);
    QVERIFY(!rig.port.calls.contains(QStringLiteral("DTREnable=true")));
    QCOMPARE(rig.settings.LastErrorNumber, 4242);
    QCOMPARE(rig.settings.LastErrorText, QStringLiteral("refused Handshaking"));
    QCOMPARE(rig.view.messages,
             QStringList{QStringLiteral("Fehler aufgetreten|Es ist ein Fehler bei folgender Aktion "
                                        "aufgetreten: Schnittstelle öffnen.\r\nBeschreibung: "
                                        "refused Handshaking.\r\nFehler: 4242.")});
}

void tst_TerminalEngine::openPortFailureWithEmptyDescriptionKeepsPlaceholders()
{
    // A port layer that gives no description leaves the rest of the template
    // unfilled rather than inventing a text.
    class SilentFailure : public RecordingPort {
        void setSettings(const QString &) override { throw PortError(5, QString()); }
    } port;
    Rig rig;
    rig.settings.Language = 1;
    FakeView view;
    TerminalEngine engine(rig.settings, port, view);
    engine.connection().fkt_MainOpenPort();
    QCOMPARE(view.messages,
             QStringList{QStringLiteral("Error occured|An error occured with followning action: "
                                        "Open Interface.\r\nDescription: %%.%%Error: %%.")});
}

void tst_TerminalEngine::lostDeviceCountsAsClosed_data()
{
    QTest::addColumn<QString>("seenBy"); // what finds the device gone
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("logged");
    QTest::addColumn<QString>("boxAfter");
    QTest::addColumn<QString>("quietTime");
    const QString german = QStringLiteral("Keine Schnittstelle geöffnet!");
    // Enter once emptied the box although nothing was sent or logged.
    QTest::newRow("a transmission keeps the send box")
        << "send" << 0 << german << QStringList() << "hello" << "0";
    QTest::newRow("a transmission, English") << "send" << 1 << "No interface connection opened!"
                                             << QStringList() << "hello" << "0";
    QTest::newRow("a poll logs what came before")
        << "poll" << 0 << german << QStringList{"09:05:03.007  [IN]   AB"} << "hello" << "0";
    QTest::newRow("a poll that cannot take what came before")
        << "poll" << 0 << german << QStringList() << "hello" << "40000";
    QTest::newRow("the port tells") << "arrival" << 0 << german << QStringList() << "hello" << "0";
}

void tst_TerminalEngine::lostDeviceCountsAsClosed()
{
    QFETCH(QString, seenBy);
    QFETCH(int, language);
    QFETCH(QString, status);
    QFETCH(QStringList, logged);
    QFETCH(QString, boxAfter);
    QFETCH(QString, quietTime);
    Rig rig;
    rig.view.waitTime = quietTime;
    rig.settings.Language = quint8(language);
    rig.port.announcesArrival = seenBy == QLatin1String("arrival");
    rig.openPort();
    QVERIFY(rig.view.portControlsEnabled);
    rig.view.send = QStringLiteral("hello");
    rig.port.gone = true;
    if (seenBy == QLatin1String("send")) {
        rig.engine->transmitter().cmdSend_Click();
    } else {
        rig.port.waiting = seenBy == QLatin1String("poll") ? QStringLiteral("AB") : QString();
        rig.engine->startTimers();
        if (rig.port.arrival)
            rig.port.arrival();
    }
    QTRY_COMPARE(rig.view.status, status);
    QVERIFY(!rig.view.portControlsEnabled);
    QVERIFY(!rig.port.open);
    QVERIFY(rig.port.calls.contains(QStringLiteral("PortOpen=false")));
    QCOMPARE(rig.view.messages, QStringList()); // no box
    // Then the loss, with the port's reason.
    logged << (language ? "# 09:05:03.007 COM1 lost: " : "# 09:05:03.007 COM1 verloren: ") +
                  QStringLiteral("the device has gone away");
    QCOMPARE(rig.lines(), logged);
    QCOMPARE(rig.view.send, boxAfter);
    // Enter on the closed port keeps the text as well.
    rig.engine->transmitter().cmdSend_Click();
    QCOMPARE(rig.view.send, boxAfter);
    rig.engine->stopTimers();
}

void tst_TerminalEngine::lostDeviceComesBack_data()
{
    QTest::addColumn<bool>("sameDevice"); // the device found at its path is the lost one
    QTest::addColumn<bool>("modal");      // a modal dialog is open when it comes back
    QTest::addColumn<int>("sameAfterMs"); // it counts as the same only from then on
    QTest::addColumn<bool>("reopened");
    QTest::newRow("the same device") << true << false << 0 << true;
    QTest::newRow("another device under its name") << false << false << 0 << false;
    QTest::newRow("behind a modal dialog: once it closes") << true << true << 0 << true;
    QTest::newRow("tried every 250 ms for 5 s") << true << false << 4500 << true;
}

void tst_TerminalEngine::lostDeviceComesBack()
{
    QFETCH(bool, sameDevice);
    QFETCH(bool, modal);
    QFETCH(int, sameAfterMs);
    QFETCH(bool, reopened);
    QTemporaryDir folder;
    Rig rig;
    rig.port.path = folder.filePath(QStringLiteral("device"));
    rig.settings.Baudrate = 10;
    rig.openPort();
    rig.port.gone = true;
    rig.engine->transmitter().SendText(QStringLiteral("x"));
    QTRY_VERIFY(!rig.port.open);
    QVERIFY(rig.engine->connection().awaitingDevice());
    rig.port.calls.clear();
    rig.settings.DTR = 0; // opened again with the settings of now

    rig.port.back = sameDevice && sameAfterMs == 0;
    QElapsedTimer sinceSame;
    if (sameAfterMs > 0) {
        QTimer::singleShot(sameAfterMs, [&rig, &sinceSame] {
            rig.port.back = true;
            sinceSame.start();
        });
    }
    rig.view.modal = modal;
    QFile device(rig.port.path);
    QVERIFY(device.open(QIODevice::WriteOnly));
    QElapsedTimer sinceBack;
    sinceBack.start();
    if (modal) {
        QTest::qWait(600);
        QVERIFY(!rig.port.open);
        rig.view.modal = false;
        sinceBack.restart();
    }
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.open, reopened, 2000 + sameAfterMs);
    QTest::qWait(reopened ? 0 : 600); // and not later either
    QCOMPARE(rig.port.open, reopened);
    if (sameAfterMs > 0) {
        QVERIFY2(rig.port.backChecks >= sameAfterMs / DeviceReturnWatch::kRetryMs,
                 qPrintable(QString::number(rig.port.backChecks)));
    }
    QCOMPARE(rig.view.portControlsEnabled, reopened);
    QCOMPARE(rig.view.messages, QStringList());
    if (reopened) {
        const qint64 waited = sameAfterMs > 0 ? sinceSame.elapsed() : sinceBack.elapsed();
        QVERIFY2(waited < 1000, qPrintable(QString::number(waited)));
        QVERIFY(rig.port.calls.contains(QStringLiteral("Settings=115200,N,8,1")));
        QVERIFY(rig.port.calls.contains(QStringLiteral("DTREnable=false")));
        QCOMPARE(rig.view.status, QStringLiteral("Schnittstelle COM1 mit 115200 Baud 8 Datenbits, 1 "
                                                 "Stoppbit, Keine Parität und Handshake None ist "
                                                 "geöffnet."));
        QVERIFY(!rig.engine->connection().awaitingDevice());
        QCOMPARE(rig.lines().last(), QStringLiteral("# 09:05:03.007 COM1 geöffnet: 115200 8N1"));
    } else {
        QCOMPARE(rig.view.status, QStringLiteral("Keine Schnittstelle geöffnet!"));
    }
}

void tst_TerminalEngine::portStateOnDemand_data()
{
    // Steps: "open" (the opening succeeds), "busy" (it fails), "missing" (it
    // fails, and names what to wait for), "lose" (the device goes away),
    // "close" (File > Close port), "other" (an opening of COM2 fails).
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("inUse"); // the File menu offers to close
    QTest::addColumn<bool>("awaited");
    QTest::addColumn<QString>("waiting");
    QTest::addColumn<int>("messages");
    // The port's events in the log, in order; the opening at the start is none.
    QTest::addColumn<QStringList>("events");
    const QString device = QStringLiteral("Warte auf COM1 (/dev/serial/by-id/adapter)...");
    const QStringList waited{"Warte auf COM1 (/dev/serial/by-id/adapter)"};
    const QStringList lost{"COM1 verloren: the device has gone away", "Warte auf COM1 (/dev/lost)"};
    const QStringList closed{"COM1 geschlossen"};
    const QStringList opened{"COM1 geöffnet: 9600 8N1"};
    QTest::newRow("opened") << QStringList{"open"} << true << false << QString() << 0
                            << QStringList();
    QTest::newRow("refused") << QStringList{"busy"} << false << false << QString() << 1
                             << QStringList();
    QTest::newRow("not there yet")
        << QStringList{"missing"} << true << true << device << 1 << waited;
    QTest::newRow("not there yet, then refused, waited for once")
        << QStringList{"missing", "busy", "missing"} << true << true << device << 3 << waited;
    QTest::newRow("closed") << QStringList{"open", "close"} << false << false << QString() << 0
                            << closed;
    QTest::newRow("awaited, then closed")
        << QStringList{"missing", "close"} << false << false << QString() << 1 << waited;
    QTest::newRow("lost") << QStringList{"open", "lose"} << true << true
                          << "Warte auf COM1 (/dev/lost)..." << 0 << lost;
    QTest::newRow("lost, then closed")
        << QStringList{"open", "lose", "close"} << false << false << QString() << 0 << lost;
    // A lost port is still awaited when an opening of its own number fails,
    // and no longer once another port was chosen.
    QTest::newRow("lost, then refused") << QStringList{"open", "lose", "busy"} << true << true
                                        << "Warte auf COM1 (/dev/lost)..." << 1 << lost;
    QTest::newRow("lost, then another port refused")
        << QStringList{"open", "lose", "other"} << false << false << QString() << 1 << lost;
    QTest::newRow("closed, then opened") << QStringList{"open", "close", "open"} << true << false
                                         << QString() << 0 << closed + opened;
    QTest::newRow("opened anew: closed first")
        << QStringList{"open", "open"} << true << false << QString() << 0 << closed + opened;
}

void tst_TerminalEngine::portStateOnDemand()
{
    QFETCH(QStringList, steps);
    QFETCH(bool, inUse);
    QFETCH(bool, awaited);
    QFETCH(QString, waiting);
    QFETCH(int, messages);
    QFETCH(QStringList, events);
    Rig rig;
    rig.port.path = QStringLiteral("/dev/lost");
    for (const QString &step : steps) {
        if (step == QLatin1String("close")) {
            rig.engine->connection().closePort();
            QVERIFY(!rig.port.open);
            QCOMPARE(rig.view.status, QStringLiteral("Keine Schnittstelle geöffnet!"));
            QVERIFY(!rig.view.portControlsEnabled);
        } else if (step == QLatin1String("lose")) {
            rig.port.gone = true;
            rig.engine->transmitter().SendText(QStringLiteral("x"));
            QTRY_VERIFY(!rig.port.open);
        } else {
            if (step == QLatin1String("other"))
                rig.settings.ComPort = 1;
            rig.port.failAt =
                step == QLatin1String("open") ? QString() : QStringLiteral("CommPort");
            rig.port.awaitable = step == QLatin1String("missing")
                                     ? QStringLiteral("/dev/serial/by-id/adapter")
                                     : QString();
            rig.engine->connection().fkt_MainOpenPort();
            QCOMPARE(rig.port.open, step == QLatin1String("open"));
        }
    }
    QCOMPARE(rig.view.portInUse, inUse);
    QCOMPARE(rig.engine->connection().portInUse(), inUse);
    QCOMPARE(rig.engine->connection().awaitingDevice(), awaited);
    QCOMPARE(rig.view.waiting, waiting);
    QCOMPARE(rig.view.messages.size(), messages);
    QStringList logged;
    for (const QString &line : rig.lines())
        logged << (line.startsWith(QLatin1String("# 09:05:03.007 ")) ? line.mid(15) : line);
    QCOMPARE(logged, events);
}

void tst_TerminalEngine::sendButtonAddsPrefixAndSuffix_data()
{
    QTest::addColumn<int>("prefixOption");
    QTest::addColumn<int>("readjustOption");
    QTest::addColumn<int>("peculiar");
    QTest::addColumn<int>("deleteSendChars");
    QTest::addColumn<QString>("wire");
    QTest::addColumn<QString>("logged"); // null: no line
    QTest::addColumn<QString>("boxAfter");
    QTest::addColumn<QString>("typed");
    const QString abc = QStringLiteral("ABC");
    QTest::newRow("both, tokens shown") << 1 << 1 << 1 << 1 << chars({2, 65, 66, 67, 3})
                                        << QStringLiteral("<STX>ABC<ETX>") << QString() << abc;
    QTest::newRow("both, raw shown") << 1 << 1 << 0 << 0 << chars({2, 65, 66, 67, 3})
                                     << chars({2, 65, 66, 67, 3}) << abc << abc;
    QTest::newRow("prefix only") << 1 << 0 << 1 << 1 << chars({2, 65, 66, 67})
                                 << QStringLiteral("<STX>ABC") << QString() << abc;
    QTest::newRow("option 2 is not on") << 2 << 2 << 1 << 2 << abc << abc << abc << abc;
    QTest::newRow("an empty box sends nothing, even with a prefix and a suffix")
        << 1 << 1 << 1 << 0 << QString() << QString() << QString() << QString();
    QTest::newRow("Peculiar 2 shows tokens too") << 1 << 1 << 2 << 1 << chars({2, 65, 66, 67, 3})
                                                 << QStringLiteral("<STX>ABC<ETX>") << QString() << abc;
}

void tst_TerminalEngine::sendButtonAddsPrefixAndSuffix()
{
    QFETCH(int, prefixOption);
    QFETCH(int, readjustOption);
    QFETCH(int, peculiar);
    QFETCH(int, deleteSendChars);
    QFETCH(QString, wire);
    QFETCH(QString, logged);
    QFETCH(QString, boxAfter);
    QFETCH(QString, typed);
    Rig rig;
    rig.settings.PrefixOption = quint8(prefixOption);
    rig.settings.ReadjustOption = quint8(readjustOption);
    rig.settings.PrefixChars = QStringLiteral("<STX>");
    rig.settings.ReadjustChars = QStringLiteral("<ETX>");
    rig.settings.Peculiar = quint8(peculiar);
    rig.settings.DeleteSendChars = quint8(deleteSendChars);
    rig.openPort();
    rig.view.send = typed;
    rig.engine->transmitter().cmdSend_Click();
    // Without a character delay the whole text goes out in one write.
    QCOMPARE(rig.outputs(), wire.isEmpty() ? QStringList() : QStringList{wire});
    QCOMPARE(rig.lines(), logged.isNull() ? QStringList()
                                          : QStringList{QStringLiteral("09:05:03.007  [OUT]  ") + logged});
    QCOMPARE(rig.view.send, boxAfter);
}

void tst_TerminalEngine::sendTextThatCannotBeDecodedSendsNothing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("prefix"); // with PrefixOption 1; null: option off
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("message");
    QTest::addColumn<qsizetype>("selectStart"); // -1: nothing selected
    QTest::addColumn<qsizetype>("selectLength");
    const QString none;
    QTest::newRow("lower-case name, was emptied without a word")
        << u"A<stx>"_qs << 0 << none << none
        << u"Nicht gesendet: <stx> ist kein gültiges Steuerzeichen"_qs << qsizetype(1)
        << qsizetype(5);
    QTest::newRow("ESC, English") << u"x<ESC>y"_qs << 1 << none << none
                                  << u"Not sent: <ESC> is not a valid control character"_qs
                                  << qsizetype(1) << qsizetype(5);
    QTest::newRow("NUL name") << u"<NUL>"_qs << 0 << none << none
                              << u"Nicht gesendet: <NUL> ist kein gültiges Steuerzeichen"_qs
                              << qsizetype(0) << qsizetype(5);
    QTest::newRow("out of range") << u"<300>"_qs << 1 << none << none
                                  << u"Not sent: <300> is not a valid control character"_qs
                                  << qsizetype(0) << qsizetype(5);
    QTest::newRow("comparison text") << u"1 < 2 and 3 > 2"_qs << 1 << none << none
                                     << u"Not sent: < 2 and 3 > is not a valid control character"_qs
                                     << qsizetype(2) << qsizetype(11);
    QTest::newRow("token made by a decoded '<'")
        << u"ok<60>ESC>"_qs << 1 << none << none
        << u"Not sent: <60>ESC> is not a valid control character"_qs << qsizetype(2)
        << qsizetype(8);
    QTest::newRow("character without a byte")
        << u"AB\u0142C"_qs << 0 << none << none
        << u"Nicht gesendet: Das Zeichen \u0142 gibt es im Zeichensatz Windows-1252 nicht"_qs
        << qsizetype(2) << qsizetype(1);
    QTest::newRow("character beyond the BMP")
        << u"A\U0001F600"_qs << 1 << none << none
        << u"Not sent: the character \U0001F600 does not exist in the Windows-1252 character set"_qs
        << qsizetype(1) << qsizetype(2);
    QTest::newRow("bad token in the prefix, box untouched")
        << u"ABC"_qs << 0 << u"<ESC>"_qs << none
        << u"Nicht gesendet: <ESC> ist kein gültiges Steuerzeichen im Präfix"_qs << qsizetype(-1)
        << qsizetype(0);
    QTest::newRow("bad token in the suffix")
        << u"ABC"_qs << 1 << u"<STX>"_qs << u"<etx>"_qs
        << u"Not sent: <etx> is not a valid control character in the suffix"_qs << qsizetype(-1)
        << qsizetype(0);
    QTest::newRow("character without a byte in the prefix")
        << u"ABC"_qs << 1 << u"\u0142"_qs << none
        << u"Not sent: the character \u0142 in the prefix does not exist in the Windows-1252 "
           u"character set"_qs
        << qsizetype(-1) << qsizetype(0);
    QTest::newRow("in the box behind a prefix")
        << u"A<ESC>"_qs << 0 << u"<STX>"_qs << u"<ETX>"_qs
        << u"Nicht gesendet: <ESC> ist kein gültiges Steuerzeichen"_qs << qsizetype(1)
        << qsizetype(5);
    QTest::newRow("token running on into the suffix: its part in the box")
        << u"A<E"_qs << 1 << none << u"SC>"_qs
        << u"Not sent: <ESC> is not a valid control character"_qs << qsizetype(1) << qsizetype(2);
    QTest::newRow("hex token left open before the suffix")
        << u"<0x01 03"_qs << 0 << none << u"<CR>"_qs
        << u"Nicht gesendet: <0x01 03 ist nicht mit > geschlossen"_qs << qsizetype(0)
        << qsizetype(8);
    QTest::newRow("hex token left open in the box behind a prefix")
        << u"A<0x01 03"_qs << 0 << u"<STX>"_qs << u"<CR>"_qs
        << u"Nicht gesendet: <0x01 03 ist nicht mit > geschlossen"_qs << qsizetype(1)
        << qsizetype(8);
    QTest::newRow("hex token left open in the prefix")
        << u"Hi"_qs << 1 << u"<0x01"_qs << none
        << u"Not sent: <0x01 in the prefix is not closed with >"_qs << qsizetype(-1)
        << qsizetype(0);
    QTest::newRow("no hex digit, in the suffix")
        << u"A"_qs << 1 << none << u"<0x0\U0001F600>"_qs
        << u"Not sent: <0x0\U0001F600> in the suffix holds '\U0001F600', which is not a hex digit"_qs
        << qsizetype(-1) << qsizetype(0);
    QTest::newRow("a long token is shown by its beginning")
        << (u"<"_qs + QString(60, u'x') + u">"_qs) << 1 << none << none
        << (u"Not sent: <"_qs + QString(38, u'x') + QChar(0x2026) +
            u" is not a valid control character"_qs)
        << qsizetype(0) << qsizetype(62);
}

// The box keeps what cannot be sent, and the status bar says why: the text
// used to be emptied without a word.
void tst_TerminalEngine::sendTextThatCannotBeDecodedSendsNothing()
{
    QFETCH(QString, text);
    QFETCH(int, language);
    QFETCH(QString, prefix);
    QFETCH(QString, suffix);
    QFETCH(QString, message);
    QFETCH(qsizetype, selectStart);
    QFETCH(qsizetype, selectLength);
    Rig rig;
    rig.settings.RTS = 1;
    rig.settings.Language = quint8(language);
    rig.settings.PrefixOption = prefix.isNull() ? 0 : 1;
    rig.settings.PrefixChars = prefix;
    rig.settings.ReadjustOption = suffix.isNull() ? 0 : 1;
    rig.settings.ReadjustChars = suffix;
    rig.openPort();
    rig.view.send = text;
    for (int press = 1; press <= 2; ++press) { // told again on every press of the user
        rig.engine->transmitter().cmdSend_Click();
        QVERIFY(rig.port.calls.isEmpty()); // not even RTS moves
        QCOMPARE(rig.engine->log().count(), 0);
        QCOMPARE(rig.view.send, text);
        QCOMPARE(rig.view.statusMessages, QStringList(press, message));
        using Selections = QList<std::pair<qsizetype, qsizetype>>;
        const Selections expected =
            selectStart < 0 ? Selections() : Selections(press, {selectStart, selectLength});
        QCOMPARE(rig.view.selections, expected);
    }
}

// A repetition that meets a text it cannot send tells it once, without
// selecting anything; once the text went out, its next failure is news.
void tst_TerminalEngine::repetitionTellsAFailureOnce()
{
    Rig rig;
    rig.settings.Language = 1;
    rig.openPort();
    rig.view.slots[0] = QStringLiteral("<ESC>");
    rig.view.slots[1] = QStringLiteral("ok");
    rig.view.slots[2] = QStringLiteral("<FS>");
    rig.view.send = QStringLiteral("<GS>");
    rig.view.repeat = true;
    rig.view.repeatCommandConfig = true;
    for (int tick = 0; tick < 7; ++tick)
        QVERIFY(rig.engine->repeater().RepeatTick());
    const QString tail = QStringLiteral(" is not a valid control character");
    QCOMPARE(rig.view.statusMessages,
             (QStringList{u"Not sent: <GS>"_qs + tail, u"Not sent: <ESC>"_qs + tail,
                          u"Not sent: <FS>"_qs + tail}));
    QVERIFY(rig.view.selections.isEmpty());
    QCOMPARE(rig.view.send, QStringLiteral("<GS>"));
    QCOMPARE(rig.outputs().join(QString()), QStringLiteral("okok"));

    // The user pressing the slot hears it every time.
    rig.engine->repeater().cmdBefehl_Click(1);
    rig.engine->repeater().cmdBefehl_Click(1);
    QCOMPARE(rig.view.statusMessages.size(), 5);
    QVERIFY(rig.view.selections.isEmpty()); // a slot is never selected in the send box

    // Mended and broken again: told again.
    rig.view.slots[2] = QStringLiteral("<4>");
    rig.view.statusMessages.clear();
    for (int tick = 0; tick < 3; ++tick)
        QVERIFY(rig.engine->repeater().RepeatTick());
    rig.view.slots[2] = QStringLiteral("<FS>");
    for (int tick = 0; tick < 6; ++tick)
        QVERIFY(rig.engine->repeater().RepeatTick());
    QCOMPARE(rig.view.statusMessages, QStringList{u"Not sent: <FS>"_qs + tail});

    // Switching the repetition makes every failure news again.
    rig.view.statusMessages.clear();
    rig.engine->repetitionSwitched();
    for (int tick = 0; tick < 2; ++tick)
        QVERIFY(rig.engine->repeater().RepeatTick());
    QCOMPARE(rig.view.statusMessages,
             (QStringList{u"Not sent: <GS>"_qs + tail, u"Not sent: <ESC>"_qs + tail}));
}

void tst_TerminalEngine::emptySlotLogsEmptyLine()
{
    Rig rig;
    rig.openPort();
    rig.engine->repeater().cmdBefehl_Click(4);
    QVERIFY(rig.outputs().isEmpty());
    QCOMPARE(rig.lines(), QStringList{QStringLiteral("09:05:03.007  [OUT]  ")});
}

void tst_TerminalEngine::rtsFramesTheTransmission_data()
{
    QTest::addColumn<int>("rts");
    QTest::addColumn<QStringList>("calls");
    const QStringList framed{"RTSEnable=true", "Output=AB", "RTSEnable=false"};
    QTest::newRow("RTS 1") << 1 << framed;
    QTest::newRow("RTS 2 is on too") << 2 << framed;
    QTest::newRow("RTS 0 leaves the line alone") << 0 << QStringList{"Output=AB"};
}

void tst_TerminalEngine::rtsFramesTheTransmission()
{
    QFETCH(int, rts);
    QFETCH(QStringList, calls);
    Rig rig;
    rig.settings.RTS = quint8(rts);
    rig.openPort();
    rig.engine->transmitter().SendText(QStringLiteral("AB"));
    QCOMPARE(rig.port.calls, calls);
    QCOMPARE(rig.lines(), QStringList{QStringLiteral("09:05:03.007  [OUT]  AB")});
}

void tst_TerminalEngine::failingWriteDropsRtsAndLogsNothing()
{
    Rig rig;
    rig.settings.RTS = 1;
    rig.openPort();
    rig.port.failAt = QStringLiteral("Output");
    rig.engine->transmitter().SendText(QStringLiteral("AB"));
    QCOMPARE(rig.port.calls, (QStringList{"RTSEnable=true", "Output=AB", "RTSEnable=false"}));
    QVERIFY(!rig.port.rts);
    QCOMPARE(rig.engine->log().count(), 0);
}

void tst_TerminalEngine::characterDelayComesBeforeEachCharacter()
{
    Rig rig;
    rig.settings.CharDelay = 100;
    rig.openPort();
    QElapsedTimer elapsed;
    const qint64 start = rig.port.clock.elapsed();
    elapsed.start();
    rig.engine->transmitter().SendText(QStringLiteral("ABCDE"));
    QVERIFY(elapsed.elapsed() >= 500);
    QCOMPARE(rig.port.outputTimes.size(), 5);
    QVERIFY(rig.port.outputTimes.first() - start >= 100);
    for (int i = 1; i < 5; ++i)
        QVERIFY(rig.port.outputTimes[i] - rig.port.outputTimes[i - 1] >= 99);
}

void tst_TerminalEngine::waitRunsEventsOnlyWhenItWaits_data()
{
    QTest::addColumn<int>("ms");
    QTest::addColumn<bool>("eventsRun");
    QTest::newRow("0") << 0 << false;
    QTest::newRow("-1") << -1 << false;
    QTest::newRow("-32768") << -32768 << false;
    QTest::newRow("5") << 5 << true;
}

// A pause of 0 or less returns at once: a handler waiting 0 ms must not be
// re-entered by the events of its own window.
void tst_TerminalEngine::waitRunsEventsOnlyWhenItWaits()
{
    QFETCH(int, ms);
    QFETCH(bool, eventsRun);
    bool ran = false;
    QMetaObject::invokeMethod(this, [&ran] { ran = true; }, Qt::QueuedConnection);
    WaitMilliseconds(qint16(ms));
    QCOMPARE(ran, eventsRun);
    QCoreApplication::processEvents();
    QVERIFY(ran);
}

void tst_TerminalEngine::outLineKeepsItsStartTime()
{
    Rig rig;
    rig.settings.CharDelay = 30;
    rig.openPort();
    rig.port.waiting = QStringLiteral("X");
    rig.view.waitTime = QStringLiteral("0");
    // A reception logged during the pauses gets the later time; the [OUT]
    // line keeps the time its transmission began.
    QTimer::singleShot(10, [&rig] {
        rig.now = at(10, 0, 0, 0);
        rig.engine->receiver().PollReceiveBuffer();
    });
    rig.engine->transmitter().SendText(QStringLiteral("AB"));
    QCOMPARE(rig.lines(), (QStringList{QStringLiteral("10:00:00.000  [IN]   X"),
                                       QStringLiteral("09:05:03.007  [OUT]  AB")}));
}

void tst_TerminalEngine::noPortSendsAndLogsNothing()
{
    Rig rig; // never opened
    rig.engine->transmitter().SendText(QStringLiteral("ABC"));
    QCOMPARE(rig.engine->log().count(), 0);
}

void tst_TerminalEngine::receivedBlockIsLogged_data()
{
    QTest::addColumn<int>("peculiar");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("content");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QByteArray>("saved"); // the content in a saved file
    QTest::newRow("tokens") << 1 << chars({65, 13, 10, 0, 9}) << QStringLiteral("A<CR><LF><NUL>\t")
                            << "41 0D 0A 00 09" << QByteArray("A<CR><LF><0><9>");
    QTest::newRow("raw") << 0 << chars({65, 13, 10, 0}) << chars({65, 13, 10, 0}) << "41 0D 0A 00"
                         << QByteArray("A<CR><LF><0>");
    QTest::newRow("Peculiar 2 gives tokens too")
        << 2 << chars({2, 65, 3}) << QStringLiteral("<STX>A<ETX>") << "02 41 03"
        << QByteArray("<STX>A<ETX>");
    // The line keeps its bytes: a received text "<STX>" looks like an STX in
    // the text view, but not in hex or in the file.
    QTest::newRow("the text <STX>, was kept as its tokens only")
        << 1 << QStringLiteral("<STX>") << QStringLiteral("<STX>") << "3C 53 54 58 3E"
        << QByteArray("<0x3C>STX<0x3E>");
    QTest::newRow("the Modbus answer")
        << 1 << chars({1, 3, 4, 4, 0xD2, 0x16, 0x2E, 0xD5, 0x46})
        << chars({1,   '<', 'E', 'T', 'X', '>',  '<',  'E',  'O',  'T', '>',
                  '<', 'E', 'O', 'T', '>', 0xD2, 0x16, 0x2E, 0xD5, 0x46})
        << "01 03 04 04 D2 16 2E D5 46"
        << QByteArray("<1><ETX><EOT><EOT>\xC3\x92<22>.\xC3\x95"
                      "F");
}

void tst_TerminalEngine::receivedBlockIsLogged()
{
    QFETCH(int, peculiar);
    QFETCH(QString, received);
    QFETCH(QString, content);
    QFETCH(QString, hex);
    QFETCH(QByteArray, saved);
    Rig rig;
    rig.settings.Peculiar = quint8(peculiar);
    rig.openPort();
    rig.port.waiting = received;
    rig.engine->receiver().PollReceiveBuffer();
    QCOMPARE(rig.lines(), QStringList{QStringLiteral("09:05:03.007  [IN]   ") + content});
    const TrafficLog &log = rig.engine->log();
    QCOMPARE(log.line(0, TrafficLog::Form::Hex), QStringLiteral("09:05:03.007  [IN]   ") + hex);
    QCOMPARE(LogFile::text(log), "09:05:03.007  [IN]   " + saved + '\n');
    // The saved content sent from the send box sends what was received.
    QCOMPARE(DecodeToBytes(QString::fromUtf8(saved)), Codec::toBytes(received));
    QCOMPARE(log.longestLineLength(), 21 + content.size());
    QCOMPARE(log.longestLineLength(TrafficLog::Form::Hex), 21 + hex.size());
    QVERIFY(log.deleteEnabled());
    QCOMPARE(log.selectedIndex(), 0);
}

void tst_TerminalEngine::sentLineKeepsItsBytes_data()
{
    QTest::addColumn<int>("peculiar");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("content"); // in the text view
    QTest::addColumn<QString>("hex");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("hex tokens, as typed")
        << 1 << u"<0x01 03 00 00 00 02><0xC4 0B>"_qs << u"<0x01 03 00 00 00 02><0xC4 0B>"_qs
        << "01 03 00 00 00 02 C4 0B" << QByteArray("<1><ETX><0><0><0><STX>\xC3\x84<11>");
    QTest::newRow("hex bytes 3C 3E, raw")
        << 0 << u"<0x3C 41 3E>"_qs << u"<A>"_qs << "3C 41 3E" << QByteArray("<0x3C>A<0x3E>");
    QTest::newRow("decimal tokens, as typed")
        << 1 << u"<2>AB<3>"_qs << u"<2>AB<3>"_qs << "02 41 42 03" << QByteArray("<STX>AB<ETX>");
    QTest::newRow("named tokens, as typed") << 1 << u"<STX>AB<ETX>"_qs << u"<STX>AB<ETX>"_qs
                                            << "02 41 42 03" << QByteArray("<STX>AB<ETX>");
    QTest::newRow("nothing at all") << 1 << QString() << QString() << "" << QByteArray();
}

// The [OUT] line keeps the bytes that went out: the text view shows them as
// typed, the hex view and the file as they were sent.
void tst_TerminalEngine::sentLineKeepsItsBytes()
{
    QFETCH(int, peculiar);
    QFETCH(QString, typed);
    QFETCH(QString, content);
    QFETCH(QString, hex);
    QFETCH(QByteArray, saved);
    Rig rig;
    rig.settings.Peculiar = quint8(peculiar);
    rig.openPort();
    rig.view.slots[0] = typed;
    rig.engine->repeater().cmdBefehl_Click(1);
    const QString prefix = QStringLiteral("09:05:03.007  [OUT]  ");
    QCOMPARE(rig.lines(), QStringList{prefix + content});
    const TrafficLog &log = rig.engine->log();
    QCOMPARE(log.line(0, TrafficLog::Form::Hex), prefix + hex);
    QCOMPARE(LogFile::text(log), prefix.toLatin1() + saved + '\n');
    QCOMPARE(DecodeToBytes(QString::fromUtf8(saved)), DecodeToBytes(typed));
    QCOMPARE(log.longestLineLength(), 21 + content.size());
}

void tst_TerminalEngine::quietTimeGroupsParts_data()
{
    QTest::addColumn<int>("lineEnd");
    QTest::addColumn<QString>("waiting");
    QTest::addColumn<QString>("during"); // 100 ms into the quiet wait: a poll, or characters read at second 4
    QTest::addColumn<QStringList>("contents"); // stamp, content, the quiet time it waited for
    QTest::newRow("more characters") << 0 << "AB" << "CD" << QStringList{"04.000 ABCD 300"};
    // The nested poll reads and logs the block; the outer one then finds
    // nothing and logs no empty line.
    QTest::newRow("a poll nested in the quiet wait") << 0 << "AB" << "poll" << QStringList{"03.007 AB 300"};
    // With a line end every complete line goes at once, stamped as it is read.
    QTest::newRow("LF: lines at once, a prompt after the quiet time")
        << 1 << "AB\nCD\nlogin:" << "" << QStringList{"03.007 AB<LF> -1", "03.007 CD<LF> -1", "04.000 login: 300"};
    QTest::newRow("CR LF split across two reads is one line end, a CR alone none")
        << 3 << "A\rB\r" << "\nCD" << QStringList{"04.000 A<CR>B<CR><LF> -1", "04.000 CD 300"};
    QTest::newRow("CR: the LF behind it begins the next line")
        << 2 << "AB\r\nCD\r" << "" << QStringList{"03.007 AB<CR> -1", "03.007 <LF>CD<CR> -1"};
    const QString full(2048, u'a');
    QTest::newRow("a full buffer without a line end ends a block at once")
        << 1 << full + "b\nc" << "" << QStringList{"03.007 " + full + " -1", "03.007 b<LF> -1", "04.000 c 300"};
}

void tst_TerminalEngine::quietTimeGroupsParts()
{
    QFETCH(int, lineEnd);
    QFETCH(QString, waiting);
    QFETCH(QString, during);
    QFETCH(QStringList, contents);
    Rig rig;
    rig.settings.LineEnd = quint8(lineEnd);
    rig.openPort();
    rig.view.waitTime = QStringLiteral("300");
    rig.port.waiting = waiting;
    QTimer::singleShot(100, rig.engine.get(), [&rig, during] {
        if (during == "poll") {
            rig.engine->receiver().PollReceiveBuffer();
            return;
        }
        rig.now = at(9, 5, 4, 0);
        rig.port.waiting += during;
    });
    for (int poll = 0; poll < 2; ++poll)
        rig.engine->receiver().PollReceiveBuffer();
    QStringList logged;
    for (int i = 0; i < rig.engine->log().count(); ++i)
        logged << rig.lines()[i].mid(6, 7) + rig.lines()[i].mid(21) + u' ' +
                      QString::number(rig.engine->log().quietMs(i));
    QCOMPARE(logged, contents);
}

void tst_TerminalEngine::invalidQuietTimeLeavesCharactersWaiting()
{
    Rig rig;
    rig.openPort();
    rig.port.waiting = QStringLiteral("AB");
    rig.view.waitTime = QStringLiteral("40000");
    rig.engine->receiver().PollReceiveBuffer();
    QCOMPARE(rig.engine->log().count(), 0);
    QCOMPARE(rig.port.waiting, QStringLiteral("AB"));
    rig.view.waitTime = QStringLiteral("abc"); // no number: no quiet time
    rig.engine->receiver().PollReceiveBuffer();
    QCOMPARE(rig.engine->log().count(), 1);
}

void tst_TerminalEngine::fullBlocksAreLoggedAtOnce_data()
{
    QTest::addColumn<int>("bufferSize");
    QTest::addColumn<int>("waiting");
    QTest::addColumn<QString>("quietTime");
    QTest::addColumn<QList<int>>("lines"); // lengths of the lines one poll logs
    const QString tenSeconds = QStringLiteral("10000");
    QTest::newRow("a full buffer") << 2048 << 2048 << tenSeconds << QList<int>{2048};
    QTest::newRow("2,048 + 100: the full block, the rest waits for its quiet time")
        << 2048 << 2148 << tenSeconds << QList<int>{2048};
    QTest::newRow("every full block waiting, each its own line")
        << 2048 << 3 * 2048 + 5 << tenSeconds << QList<int>{2048, 2048, 2048};
    QTest::newRow("the buffer size the port was given")
        << 1000 << 2500 << tenSeconds << QList<int>{1000, 1000};
    // A full block needs no quiet time; the rest waits for a valid one.
    QTest::newRow("a quiet time outside the 16-bit range")
        << 2048 << 2148 << QStringLiteral("40000") << QList<int>{2048};
}

// A full block is complete: the poll logs it without waiting for the line to
// fall quiet, though the quiet time is 10 s.
void tst_TerminalEngine::fullBlocksAreLoggedAtOnce()
{
    QFETCH(int, bufferSize);
    QFETCH(int, waiting);
    QFETCH(QString, quietTime);
    QFETCH(QList<int>, lines);
    Rig rig;
    rig.settings.Peculiar = 0;
    rig.openPort();
    rig.port.bufferSize = qint16(bufferSize);
    QString received;
    for (int i = 0; i < waiting; ++i)
        received.append(QChar(u'a' + i % 26));
    rig.port.waiting = received;
    rig.view.waitTime = quietTime;
    QElapsedTimer poll;
    poll.start();
    rig.engine->receiver().PollReceiveBuffer();
    QVERIFY2(poll.elapsed() < 5000, "the poll waited for the quiet time");
    QList<int> lengths;
    QString logged;
    for (const QString &line : rig.lines()) {
        QVERIFY(line.startsWith(QStringLiteral("09:05:03.007  [IN]   ")));
        lengths.append(int(line.size()) - 21);
        logged += line.mid(21);
    }
    QCOMPARE(lengths, lines);
    QCOMPARE(logged + rig.port.waiting, received);
    for (int i = 0; i < rig.engine->log().count(); ++i)
        QCOMPARE(rig.engine->log().quietMs(i), -1); // stamped without a quiet wait
}

// Each appended line takes 6 ms here (a slow window): a poll stops taking full
// blocks and lines once its time is spent, and the next polls go on in order.
void tst_TerminalEngine::pollTakesFullBlocksWithinItsTime()
{
    Rig rig;
    rig.settings.Peculiar = 0;
    rig.settings.LineEnd = 1; // every other block a line: one budget for both
    rig.openPort();
    QString received;
    for (int block = 0; block < 100; ++block)
        received.append(QString(2047, QChar(u'A' + block % 26)) + (block % 2 ? u'A' : u'\n'));
    rig.port.waiting = received;
    QObject::connect(&rig.engine->log(), &TrafficLog::rowsInserted,
                     [] { std::this_thread::sleep_for(std::chrono::milliseconds(6)); });
    rig.engine->receiver().PollReceiveBuffer();
    const int first = rig.engine->log().count();
    QVERIFY2(first >= 1 && first <= Receiver::kPollBudgetMs / 6 + 1,
             qPrintable(QString::number(first)));
    for (int poll = 0; poll < 200 && !rig.port.waiting.isEmpty(); ++poll)
        rig.engine->receiver().PollReceiveBuffer();
    QCOMPARE(rig.engine->log().count(), 100);
    QString logged;
    for (const QString &line : rig.lines())
        logged += line.mid(21);
    QCOMPARE(logged, received);
}

// The size rule clears the log at the start of a poll; a poll that takes
// many full blocks stops once the log is beyond the limit, so that the next
// one clears it first.
void tst_TerminalEngine::fullBlocksStopAtTheSizeLimit()
{
    Rig rig;
    rig.settings.Peculiar = 0;
    rig.openPort();
    TrafficLog &log = rig.engine->log();
    for (int i = 0; i < 31999; ++i)
        log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("x"), rig.now);
    QString received;
    for (int block = 0; block < 10; ++block)
        received.append(QString(2048, QChar(u'A' + block)));
    rig.port.waiting = received;
    rig.engine->receiver().PollReceiveBuffer();
    QCOMPARE(log.count(), 32002);
    QCOMPARE(rig.port.waiting.size(), 7 * 2048);
    for (int poll = 0; poll < 20 && !rig.port.waiting.isEmpty(); ++poll)
        rig.engine->receiver().PollReceiveBuffer();
    QCOMPARE(log.count(), 7);
    QString logged;
    for (const QString &line : rig.lines())
        logged += line.mid(21);
    QCOMPARE(logged, received.mid(3 * 2048));
}

// While the receiver pauses in its quiet wait, arrivals are left to its look
// at the port after the pause; a pause that runs long (a dialog opened in
// it) has the port read them as they come again. A quiet time of 0 does not
// pause at all: two looks that agree end the block.
void tst_TerminalEngine::quietPausesLeaveArrivalsToTheLook()
{
    Rig rig;
    rig.port.announcesArrival = true;
    rig.openPort();
    rig.port.waiting = QStringLiteral("XY");
    int switchedOff = 0;
    rig.port.onWatch = [&](bool on) { switchedOff += on ? 0 : 1; };
    rig.engine->receiver().PollReceiveBuffer();
    QCOMPARE(switchedOff, 0);
    QCOMPARE(rig.lines(), QStringList{QStringLiteral("09:05:03.007  [IN]   XY")});
    rig.engine->cmdDelete_Click();

    rig.port.waiting = QStringLiteral("AB");
    rig.view.waitTime = QStringLiteral("500"); // pauses follow the dialog
    int pauses = 0;
    bool dialog = false;
    bool offInPause = false;
    bool onAfterLongPause = false;
    rig.port.onWatch = [&](bool on) {
        if (on || dialog || ++pauses < 3)
            return;
        dialog = true;
        QTimer::singleShot(0, [&] {
            offInPause = !rig.port.watching;
            QEventLoop modal;
            QTimer::singleShot(200, &modal, &QEventLoop::quit);
            modal.exec();
            onAfterLongPause = rig.port.watching;
        });
    };
    rig.engine->receiver().PollReceiveBuffer();
    QCOMPARE(rig.lines(), QStringList{QStringLiteral("09:05:03.007  [IN]   AB")});
    QVERIFY(dialog);
    QVERIFY(offInPause);
    QVERIFY(onAfterLongPause);
    QVERIFY(rig.port.watching); // no poll is due: arrivals are watched for
}

void tst_TerminalEngine::logClearsBeyondLimitAndDeleteButtonFollows()
{
    Rig rig;
    TrafficLog &log = rig.engine->log();
    for (int i = 0; i < 32002; ++i)
        log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("x"), rig.now);
    rig.engine->receiver().PollReceiveBuffer();
    QCOMPARE(log.count(), 0);
    QVERIFY(log.deleteEnabled());
    for (int i = 0; i < 5; ++i)
        log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("x"), rig.now);
    log.setSelectedIndex(2); // the user picked a line
    rig.engine->cmdDelete_Click();
    QCOMPARE(log.count(), 0);
    QVERIFY(!log.deleteEnabled());
    log.AppendTrafficLine(TrafficLog::Direction::Received, QStringLiteral("y"), rig.now);
    QVERIFY(log.deleteEnabled());
}

void tst_TerminalEngine::sizeRuleHoldsWithoutPolls_data()
{
    QTest::addColumn<int>("appended");
    QTest::addColumn<int>("kept");
    QTest::addColumn<bool>("byPoll"); // the next poll, run by hand
    QTest::addColumn<bool>("held");   // new lines are not followed
    QTest::addColumn<int>("select");  // the line the user selects then; -1: none
    QTest::newRow("32001 lines are kept") << 32001 << 32001 << false << false << -1;
    QTest::newRow("32002 lines are cleared") << 32002 << 0 << false << false << -1;
    QTest::newRow("32001 lines are kept by the next poll") << 32001 << 32001 << true << false << -1;
    QTest::newRow("32002 lines are cleared by the next poll") << 32002 << 0 << true << false << -1;
    QTest::newRow("following, a line the user selected keeps them")
        << 32002 << 32002 << true << false << 5;
    // Held, the rule counts the lines; the selection stays where it is.
    QTest::newRow("held: 32001 lines are kept") << 32001 << 32001 << false << true << -1;
    QTest::newRow("held: 32002 lines are cleared") << 32002 << 0 << false << true << 3;
    QTest::newRow("held: 32001 lines are kept by the next poll")
        << 32001 << 32001 << true << true << 32000;
    QTest::newRow("held: 32002 lines are cleared by the next poll")
        << 32002 << 0 << true << true << 5;
}

// An idle terminal does not poll; the size rule still clears the log as the
// next poll would have, also when only [OUT] lines come.
void tst_TerminalEngine::sizeRuleHoldsWithoutPolls()
{
    QFETCH(int, appended);
    QFETCH(int, kept);
    QFETCH(bool, byPoll);
    QFETCH(bool, held);
    QFETCH(int, select);
    Rig rig;
    rig.port.announcesArrival = true;
    rig.openPort();
    TrafficLog &log = rig.engine->log();
    log.setFollowNewLines(!held);
    const auto checkHeldView = [&] {
        QCOMPARE(log.followNewLines(), !held);
        // Emptied: nothing is selected and the count starts again.
        if (kept == 0)
            QCOMPARE(log.selectedIndex(), -1);
        else
            QCOMPARE(log.selectedIndex(), select >= 0 ? select : held ? -1 : appended - 1);
        QCOMPARE(log.heldLines(), held ? kept : 0);
    };
    if (byPoll) {
        for (int i = 0; i < appended; ++i)
            log.AppendTrafficLine(TrafficLog::Direction::Received, QStringLiteral("x"), rig.now);
        if (select >= 0)
            log.setSelectedIndex(select);
        rig.engine->receiver().PollReceiveBuffer();
        QCOMPARE(log.count(), kept);
        checkHeldView();
        return;
    }
    rig.engine->startTimers();
    QTRY_VERIFY(!rig.engine->receiveTimerEnabled()); // nothing waiting: no polls
    for (int i = 0; i < appended; ++i) {
        log.AppendTrafficLine(TrafficLog::Direction::Sent, QStringLiteral("x"), rig.now);
        if (i == select)
            log.setSelectedIndex(select);
    }
    QTest::qWait(3 * TerminalEngine::kTimerIntervalMs);
    QTRY_COMPARE(log.count(), kept);
    QTRY_VERIFY(!rig.engine->receiveTimerEnabled());
    checkHeldView();
    rig.engine->stopTimers();
}

void tst_TerminalEngine::functionKeysPressSlotButtons_data()
{
    QTest::addColumn<int>("keyCode");
    QTest::addColumn<int>("slot");
    QTest::newRow("F1") << 112 << 1;
    QTest::newRow("F3") << 114 << 3;
    QTest::newRow("F8") << 119 << 8;
    QTest::newRow("F9") << 120 << 0;
    QTest::newRow("key 111") << 111 << 0;
    QTest::newRow("Enter") << 13 << 0;
}

void tst_TerminalEngine::functionKeysPressSlotButtons()
{
    QFETCH(int, keyCode);
    QFETCH(int, slot);
    Rig rig;
    rig.openPort();
    rig.view.slots = {"s1", "s2", "s3", "s4", "s5", "s6", "s7", "s8"};
    rig.engine->repeater().DispatchFunctionKey(qint16(keyCode));
    if (slot == 0) {
        QVERIFY(rig.view.pressedSlots.isEmpty());
        QVERIFY(rig.outputs().isEmpty());
    } else {
        QCOMPARE(rig.view.pressedSlots, QList<int>{slot});
        QCOMPARE(rig.outputs().join(QString()), QStringLiteral("s%1").arg(slot));
    }
}

void tst_TerminalEngine::repetitionOrder_data()
{
    QTest::addColumn<QList<int>>("filled");
    QTest::addColumn<QStringList>("perTick"); // what each tick sends ("" for nothing)
    QTest::newRow("slots 1 and 3") << QList<int>{1, 3}
                                   << QStringList{"", "c1", "c3", "", "c1", "c3", "", "c1"};
    QTest::newRow("only slot 8") << QList<int>{8} << QStringList{"", "c8", "c8", "c8"};
    QTest::newRow("none") << QList<int>{} << QStringList{"", "", "", ""};
    QTest::newRow("all") << QList<int>{1, 2, 3, 4, 5, 6, 7, 8}
                         << QStringList{"", "c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c1"};
}

void tst_TerminalEngine::repetitionOrder()
{
    QFETCH(QList<int>, filled);
    QFETCH(QStringList, perTick);
    Rig rig;
    rig.openPort();
    for (int n : filled)
        rig.view.slots[n - 1] = QStringLiteral("c%1").arg(n);
    rig.view.repeatCommandConfig = true;
    for (const QString &expected : perTick) {
        rig.port.calls.clear();
        QVERIFY(rig.engine->repeater().RepeatTick());
        QCOMPARE(rig.outputs().join(QString()), expected);
    }
    if (filled.isEmpty())
        QCOMPARE(rig.engine->repeater().RepeatCommandIndex(), qint16(8));
}

void tst_TerminalEngine::repetitionStopsForGoodOnBadPause()
{
    Rig rig;
    rig.openPort();
    rig.view.slots[0] = QStringLiteral("c1");
    rig.view.repeatCommandConfig = true;
    rig.view.waitTime = QString();
    rig.engine->startTimers();
    QTRY_COMPARE_WITH_TIMEOUT(rig.outputs().join(QString()), QStringLiteral("c1"), 2000);
    QTRY_VERIFY(!rig.engine->repeatTimerEnabled());
    QTest::qWait(100);
    QCOMPARE(rig.outputs().join(QString()), QStringLiteral("c1")); // sent once, then stopped
    rig.engine->repetitionSwitched(); // stopped for good
    QVERIFY(!rig.engine->repeatTimerEnabled());
    rig.port.waiting = QStringLiteral("Z"); // the receive timer still polls
    QTRY_COMPARE(rig.engine->log().count(), 2);
    rig.engine->stopTimers();
}

void tst_TerminalEngine::repetitionTimerFollowsTheBoxes_data()
{
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<bool>("repeatCommands");
    QTest::addColumn<bool>("running");
    QTest::newRow("both off") << false << false << false;
    QTest::newRow("send box") << true << false << true;
    QTest::newRow("commands") << false << true << true;
}

// The repetition timer runs while a box is ticked, and again after both
// were cleared and one is ticked again.
void tst_TerminalEngine::repetitionTimerFollowsTheBoxes()
{
    QFETCH(bool, repeat);
    QFETCH(bool, repeatCommands);
    QFETCH(bool, running);
    Rig rig;
    rig.openPort();
    rig.view.slots[0] = QStringLiteral("c");
    rig.view.waitTime = QStringLiteral("1");
    rig.view.sendButtonEnabled = false;
    rig.engine->startTimers();
    QVERIFY(!rig.engine->repeatTimerEnabled());
    for (int round = 0; round < 2; ++round) {
        rig.view.repeat = repeat;
        rig.view.repeatCommandConfig = repeatCommands;
        rig.engine->repetitionSwitched();
        if (repeatCommands) // a loaded machine may take longer than the pause
            QTRY_VERIFY(!rig.outputs().isEmpty());
        else
            QTest::qWait(50);
        QCOMPARE(rig.engine->repeatTimerEnabled(), running);
        QCOMPARE(rig.outputs().isEmpty(), !repeatCommands);
        rig.view.repeat = rig.view.repeatCommandConfig = false;
        rig.engine->repetitionSwitched();
        QVERIFY(!rig.engine->repeatTimerEnabled());
        rig.port.calls.clear();
    }
    rig.engine->stopTimers();
}

void tst_TerminalEngine::repetitionPressesSendButton()
{
    Rig rig;
    rig.openPort();
    rig.view.send = QStringLiteral("hi");
    rig.view.repeat = true;
    rig.settings.DeleteSendChars = 0;
    QVERIFY(rig.engine->repeater().RepeatTick());
    QVERIFY(rig.engine->repeater().RepeatTick());
    QCOMPARE(rig.outputs().join(QString()), QStringLiteral("hihi"));
    rig.view.sendButtonEnabled = false; // a disabled button cannot be pressed
    QVERIFY(rig.engine->repeater().RepeatTick());
    QCOMPARE(rig.outputs().join(QString()), QStringLiteral("hihi"));
}

void tst_TerminalEngine::slotIgnoresPrefixAndSuffix()
{
    Rig rig;
    rig.settings.PrefixOption = 1;
    rig.settings.ReadjustOption = 1;
    rig.settings.PrefixChars = QStringLiteral("<CR>");
    rig.settings.ReadjustChars = QStringLiteral("<LF>");
    rig.openPort();
    rig.view.slots[1] = QStringLiteral("<STX>ABC<ETX>");
    rig.engine->repeater().cmdBefehl_Click(2);
    QCOMPARE(rig.outputs().join(QString()), chars({2, 65, 66, 67, 3}));
    QCOMPARE(rig.view.slots[1], QStringLiteral("<STX>ABC<ETX>")); // not cleared
}

QTEST_GUILESS_MAIN(tst_TerminalEngine)
#include "tst_terminal_engine.moc"

void tst_TerminalEngine::triggersFire_data()
{
    QTest::addColumn<QStringList>("rules");
    QTest::addColumn<QList<QByteArray>>("reads"); // "open": the port opens again
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QList<int>>("by"); // the rule each [OUT] line names
    const QByteArray ring = "xRING\r\n";
    for (int at = 0; at <= ring.size(); ++at)
        QTest::addRow("split at %d", at) << QStringList{"RING|ATA<CR>"}
                                         << QList<QByteArray>{ring.left(at), ring.mid(at)}
                                         << QStringList{"ATA\r"} << QList<int>{1};
    QTest::newRow("overlapping") << QStringList{"AA|x"} << QList<QByteArray>{"AAA"}
                                 << QStringList{"x", "x"} << QList<int>{1, 1};
    QTest::newRow("twice in a block") << QStringList{"OK|y"} << QList<QByteArray>{"OK OK"}
                                      << QStringList{"y", "y"} << QList<int>{1, 1};
    QTest::newRow("one byte ends two: firing order")
        << QStringList{"AB|ab", "B|b"} << QList<QByteArray>{"AB"} << QStringList{"ab", "b"}
        << QList<int>{1, 2};
    QTest::newRow("sent as they fall due")
        << QStringList{"A|late||40", "B|soon"} << QList<QByteArray>{"AB"}
        << QStringList{"soon", "late"} << QList<int>{2, 1};
    QTest::newRow("hex telegram")
        << QStringList{"<0x01 03 00 00 00 02 C4 0B>|<0x01 03 04 00 2A 00 2B BB 46>"}
        << QList<QByteArray>{QByteArray::fromHex("010300"), QByteArray::fromHex("000002C40B")}
        << QStringList{chars({1, 3, 4, 0, 0x2A, 0, 0x2B, 0xBB, 0x46})} << QList<int>{1};
    QTest::newRow("hex NUL and FF split")
        << QStringList{"<0x00 FF>|<ACK>"} << QList<QByteArray>{QByteArray(1, 0), "\xFF"}
        << QStringList{chars({6})} << QList<int>{1};
    QTest::newRow("command slot") << QStringList{"-Q|q", "P|ignored|3"} << QList<QByteArray>{"QP"}
                                  << QStringList{"slot three"} << QList<int>{2};
    QTest::newRow("afresh at each opening")
        << QStringList{"RING|ATA"} << QList<QByteArray>{"RI", "open", "NG", "RING"}
        << QStringList{"ATA"} << QList<int>{1};
}

// The replies go out as they fall due, those due together in the order the
// rules fired, each with its [OUT] line naming its rule.
void tst_TerminalEngine::triggersFire()
{
    QFETCH(QStringList, rules);
    QFETCH(QList<QByteArray>, reads);
    QFETCH(QStringList, sent);
    QFETCH(QList<int>, by);
    Rig rig;
    rig.openPort();
    rig.view.slots[2] = QStringLiteral("slot three");
    TriggerRunner &triggers = rig.engine->triggers();
    triggers.setRules(triggerRules(rules));
    for (const QByteArray &read : std::as_const(reads)) {
        if (read == "open")
            rig.openPort();
        else
            triggers.received(read);
    }
    QTest::qWait(80);
    QCOMPARE(rig.outputs(), sent);
    QList<int> named;
    for (int i = 0; i < rig.engine->log().count(); ++i)
        if (rig.engine->log().isDataLine(i))
            named << rig.engine->log().trigger(i);
    QCOMPARE(named, by);
}

void tst_TerminalEngine::triggerLoopGuard_data()
{
    QTest::addColumn<int>("firings");
    QTest::addColumn<int>("sent");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("10 in a second") << 10 << 10 << QStringList{};
    QTest::newRow("11 in a second")
        << 11 << 0 << QStringList{"Auslöser 2 abgeschaltet: über 10 Auslösungen pro Sekunde"};
}

// A rule that fires more than ten times a second is switched off, and only
// it: the other rule goes on.
void tst_TerminalEngine::triggerLoopGuard()
{
    QFETCH(int, firings);
    QFETCH(int, sent);
    QFETCH(QStringList, messages);
    Rig rig;
    rig.settings.Language = 0;
    rig.openPort();
    TriggerRunner &triggers = rig.engine->triggers();
    triggers.setRules(triggerRules({"Q|q", "P|p"}));
    for (int i = 0; i < firings; ++i)
        triggers.received("P");
    triggers.received("Q");
    QTest::qWait(60);
    QCOMPARE(rig.outputs().count("p"), sent);
    QCOMPARE(rig.outputs().count("q"), 1);
    QCOMPARE(rig.view.statusMessages, messages);
    QCOMPARE(triggers.rules().rules[1].active, messages.isEmpty());
    QCOMPARE(triggers.running(), true);
}

void tst_TerminalEngine::triggerFileKeepsWhatItCannotUse_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("skipped");
    QTest::addColumn<QByteArray>("written");
    const QByteArray head = "; by hand\r\n[Triggers]\r\nActive=0\r\nColour=red\r\n";
    const QByteArray good = "[Trigger1]\r\nWhen=RING\r\nNote=modem\r\nSend=ATA<CR>\r\n";
    const QByteArray goodOut = "[Trigger1]\r\nActive=1\r\nWhen=RING\r\nSend=ATA<CR>\r\nSlot=0\r\n"
                               "AfterMs=0\r\nNote=modem\r\n";
    const QByteArray other = "[Other]\r\nX=1\r\n";
    QTest::newRow("bad token") << head + good + "[Trigger2]\r\nWhen=<XYZ>\r\nSend=a\r\n" + other
                               << QStringLiteral("Auslöser 2 in Triggers.ini übersprungen: <XYZ> ist "
                                                 "kein gültiges Steuerzeichen")
                               << head + goodOut + "[Trigger2]\r\nWhen=<XYZ>\r\nSend=a\r\n" + other;
    QTest::newRow("renumbered around a bad slot")
        << head + "[Trigger5]\r\nWhen=OK\r\nSlot=2\r\nAfterMs=250\r\n[Trigger2]\r\nWhen=E\r\n"
                  "Slot=9\r\n" + good
        << QStringLiteral("Auslöser 2 in Triggers.ini übersprungen: Slot ist keine gültige Zahl")
        << head + goodOut + "[Trigger2]\r\nWhen=E\r\nSlot=9\r\n[Trigger3]\r\nActive=1\r\nWhen=OK\r\n"
                            "Send=\r\nSlot=2\r\nAfterMs=250\r\n";
    QTest::newRow("empty pattern, open hex, nothing to send")
        << QByteArray("[Trigger1]\r\nWhen=\r\nSend=a\r\n[Trigger2]\r\nWhen=<0x01\r\nSend=a\r\n"
                      "[Trigger3]\r\nWhen=a\r\nActive=0\r\n")
        << QStringLiteral("Auslöser 1 in Triggers.ini übersprungen: „Wenn empfangen“ ist leer; Auslöser 2 in "
           "Triggers.ini übersprungen: <0x01 ist nicht mit > geschlossen; Auslöser 3 in Triggers.ini "
           "übersprungen: „Dann senden“ ist leer")
        << QByteArray("[Triggers]\r\nActive=1\r\n[Trigger1]\r\nWhen=\r\nSend=a\r\n[Trigger2]\r\nWhen=<0x01\r\n"
           "Send=a\r\n[Trigger3]\r\nWhen=a\r\nActive=0\r\n");
}

// A rule the program cannot use is skipped and told, its section kept as it
// stands; what the program does not know stays; the rules it writes take the
// numbers left.
void tst_TerminalEngine::triggerFileKeepsWhatItCannotUse()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, skipped);
    QFETCH(QByteArray, written);
    TriggerSet set = TriggerFile::parse(file);
    TriggerCheck::skipUnusable(set, 0);
    QCOMPARE(TriggerCheck::skippedText(set, 0), skipped);
    QCOMPARE(TriggerFile::bytes(set), written);
    TriggerSet again = TriggerFile::parse(written);
    TriggerCheck::skipUnusable(again, 0);
    QCOMPARE(TriggerFile::bytes(again), written);
}
