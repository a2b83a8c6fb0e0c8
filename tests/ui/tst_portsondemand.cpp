// The main window opening and closing its port on demand: File > Open port /
// Close port, a device that appears after the start (a link that appears and
// vanishes stands in for a USB device, a pseudo-terminal for the device), and
// a port across the network that is opened after the window shows.

#include "WindowRig.h"

#include <QTcpServer>
#include <QTemporaryDir>

namespace {

// The program with what these tests look at and press.
struct OnDemand : Program {
    using Program::Program;
    // The waiting field's text; empty while it is hidden.
    QString waiting() const
    {
        const auto *field = child<QLabel>("stbWaiting");
        return field->isVisibleTo(window.get()) ? field->text() : QString();
    }
    QString portMenu() const { return child<QAction>("mnuFilePort")->text(); }
    bool sendBoxEnabled() const { return edit("txtSend")->isEnabled(); }
    // Ctrl+Shift+O, as the user presses it.
    void pressPortShortcut()
    {
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    }
};

const QString kNoPort = QStringLiteral("Keine Schnittstelle geöffnet!");
const QString kCom1Open = QStringLiteral(
    "Schnittstelle COM1 mit 9600 Baud 8 Datenbits, 1 Stoppbit, "
    "Keine Parität und Handshake None ist geöffnet.");
const QString kOpenPort = QStringLiteral("&Schnittstelle öffnen");
const QString kClosePort = QStringLiteral("&Schnittstelle schließen");

} // namespace

class tst_PortsOnDemand : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void closeAndOpenPort();
    void deviceAppearsLater_data();
    void deviceAppearsLater();
    void networkPortOpensAfterTheWindowShows_data();
    void networkPortOpensAfterTheWindowShows();
};

// File > Close port (Ctrl+Shift+O) in the middle of a transmission: it ends,
// its [OUT] line holds what went out, the text stays in the send box, and
// nothing opens again by itself; File > Open port opens the port as Accept
// does.
void tst_PortsOnDemand::closeAndOpenPort()
{
    PtyPair device;
    OnDemand p(Setup("[SETTINGS]\r\nBaudrate=5\r\nCharDelay=40\r\nDeleteSendChars=1\r\n")
                   .ports("COM1=" + device.path().toLocal8Bit() + "\r\n"));
    QVERIFY(QTest::qWaitForWindowActive(p.window.get()));
    QVERIFY(p.port->PortOpen());
    QCOMPARE(p.portMenu(), kClosePort);
    // 20 characters, 800 ms at 40 ms each.
    const QString text = QStringLiteral("<STX>ABCDEFGHIJKLMNOPQR<ETX>");
    p.edit("txtSend")->setText(text);
    QTimer::singleShot(300, p.window.get(), [&p] { p.pressPortShortcut(); });
    p.button("cmdSend")->click();
    const QByteArray wire = device.readPending(100);
    QVERIFY2(wire.size() >= 3 && wire.size() < 20, wire.constData());
    QVERIFY(wire.startsWith('\x02'));
    // Shown as typed, with its tokens (Peculiar=1).
    // The closing is logged at once, the [OUT] line when the transmission
    // has ended (with the time it began, as while a reception is logged).
    const QStringList sent{QStringLiteral("# COM1 geschlossen"),
                           QStringLiteral("[OUT]  <STX>") + QString::fromLatin1(wire.mid(1))};
    QCOMPARE(p.logContents(), sent);
    QVERIFY(!p.port->PortOpen());
    QCOMPARE(p.status(), kNoPort);
    QVERIFY(!p.sendBoxEnabled());
    QVERIFY(!p.button("cmdBefehl1")->isEnabled());
    QCOMPARE(p.edit("txtSend")->text(), text);
    QCOMPARE(p.portMenu(), kOpenPort);
    QTest::qWait(600);
    QVERIFY(!p.port->PortOpen()); // let go until the user opens it
    QCOMPARE(device.readPending(50), QByteArray());

    p.pressPortShortcut();
    QVERIFY(p.port->PortOpen());
    QCOMPARE(p.status(), kCom1Open);
    QVERIFY(p.sendBoxEnabled());
    QCOMPARE(p.portMenu(), kClosePort);
    QCOMPARE(p.messages, QStringList());

    p.child<QAction>("mnuFilePort")->trigger(); // the menu item itself
    QVERIFY(!p.port->PortOpen());
    QCOMPARE(p.portMenu(), kOpenPort);
    QCOMPARE(p.logContents(),
             sent + QStringList({"# COM1 geöffnet: 9600 8N1", "# COM1 geschlossen"}));
}

void tst_PortsOnDemand::deviceAppearsLater_data()
{
    QTest::addColumn<bool>("ptsNumber"); // the entry is /dev/pts/N itself
    QTest::newRow("a link made after the start") << false;
    QTest::newRow("a pseudo-terminal's number is never awaited") << true;
}

// COM1's entry names a device that is not there at the start: the start's
// message as before, then the program waits for the path to be made and
// opens it; the waiting field says so meanwhile.
void tst_PortsOnDemand::deviceAppearsLater()
{
    QFETCH(bool, ptsNumber);
    QTemporaryDir links;
    QString entry = links.filePath(QStringLiteral("usb-adapter"));
    if (ptsNumber) {
        PtyPair gone;
        entry = gone.path(); // its number is free once it is gone
    }
    OnDemand p(Setup().ports("COM1=" + entry.toLocal8Bit() + "\r\n"));
    QVERIFY(QTest::qWaitForWindowActive(p.window.get()));
    QCOMPARE(p.messages.size(), 1);
    QVERIFY2(p.messages.first().contains(
                 QStringLiteral("COM1 ist %1 zugeordnet, das nicht vorhanden ist").arg(entry)),
             qPrintable(p.messages.first()));
    QCOMPARE(p.status(), kNoPort);
    QVERIFY(!p.sendBoxEnabled());
    if (ptsNumber) {
        QCOMPARE(p.waiting(), QString());
        QCOMPARE(p.portMenu(), kOpenPort);
        QVERIFY(!p.engine().connection().awaitingDevice());
        return;
    }
    QCOMPARE(p.waiting(), QStringLiteral("Warte auf COM1 (%1)...").arg(entry));
    QCOMPARE(p.portMenu(), kClosePort);

    auto device = std::make_unique<PtyPair>();
    QVERIFY(QFile::link(device->path(), entry)); // plugged in
    QTRY_VERIFY_WITH_TIMEOUT(p.port->PortOpen(), 2000);
    QCOMPARE(p.status(), kCom1Open);
    QCOMPARE(p.waiting(), QString());
    QVERIFY(p.sendBoxEnabled());
    QCOMPARE(p.messages.size(), 1);

    QVERIFY(QFile::remove(entry)); // unplugged
    device.reset();
    QTRY_COMPARE(p.status(), kNoPort);
    QCOMPARE(p.waiting(), QStringLiteral("Warte auf COM1 (%1)...").arg(entry));
    QCOMPARE(p.portMenu(), kClosePort);
    p.pressPortShortcut(); // no longer wanted
    QCOMPARE(p.waiting(), QString());
    QCOMPARE(p.portMenu(), kOpenPort);
    PtyPair again;
    QVERIFY(QFile::link(again.path(), entry));
    QTest::qWait(800);
    QVERIFY(!p.port->PortOpen());
    QCOMPARE(p.messages.size(), 1);
}

void tst_PortsOnDemand::networkPortOpensAfterTheWindowShows_data()
{
    QTest::addColumn<bool>("silent"); // the server takes the connection and never answers
    QTest::newRow("nobody listens yet: tried every second") << false;
    QTest::newRow("a server that does not answer") << true;
}

// The start sequence never waits for a server: the window shows, then the
// port connects with its status, and one that cannot be reached is tried
// again every second, the waiting field saying so.
void tst_PortsOnDemand::networkPortOpensAfterTheWindowShows()
{
    QFETCH(bool, silent);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    const quint16 tcpPort = server.serverPort();
    if (!silent)
        server.close();
    const QString url = QStringLiteral("%1://127.0.0.1:%2")
                            .arg(silent ? QLatin1String("rfc2217") : QLatin1String("socket"))
                            .arg(tcpPort);
    OnDemand p(Setup().ports("COM1=" + url.toLatin1() + "\r\n"));
    QVERIFY2(p.loadMs < 1000, qPrintable(QString::number(p.loadMs)));
    QVERIFY(!p.port->PortOpen());
    QCOMPARE(p.status(), kNoPort);
    if (silent) {
        // The window is there while it connects.
        QString statusMeanwhile;
        bool visibleMeanwhile = false;
        QTimer::singleShot(1000, p.window.get(), [&] {
            statusMeanwhile = p.status();
            visibleMeanwhile = p.window->isVisible();
        });
        QTRY_COMPARE_WITH_TIMEOUT(p.messages.size(), 1, 8000);
        QCOMPARE(statusMeanwhile, QStringLiteral("Verbinde mit 127.0.0.1:%1...").arg(tcpPort));
        QVERIFY(visibleMeanwhile);
        return;
    }
    QTRY_COMPARE(p.messages.size(), 1);
    QVERIFY2(p.messages.first().contains(QStringLiteral("abgelehnt")),
             qPrintable(p.messages.first()));
    QCOMPARE(p.waiting(), QStringLiteral("Warte auf COM1 (%1)...").arg(url));
    QCOMPARE(p.portMenu(), kClosePort);
    QTest::qWait(1500);
    QCOMPARE(p.status(), kNoPort); // the tries stay quiet
    QCOMPARE(p.messages.size(), 1);

    // The server comes up (plain TCP: it need say nothing).
    QVERIFY(server.listen(QHostAddress::LocalHost, tcpPort));
    QTRY_VERIFY_WITH_TIMEOUT(p.port->PortOpen(), 3000);
    QCOMPARE(p.status(), kCom1Open);
    QCOMPARE(p.waiting(), QString());
    QVERIFY(p.sendBoxEnabled());
    QCOMPARE(p.messages.size(), 1);
}

QTEST_MAIN(tst_PortsOnDemand)
#include "tst_portsondemand.moc"
