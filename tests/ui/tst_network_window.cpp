// The main window with a port across the network: its COM1 is served by
// Debian's ser2net (started by the test on 127.0.0.1) from a pseudo-terminal
// the test plays the device on, or by a server that never answers.

#include "ports/Ser2Net.h"

#include "WindowRig.h"

#include <QElapsedTimer>
#include <QTcpServer>

class tst_NetworkWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void settingsDialogSetsTheRemotePort();
    void closingTheWindowEndsTheWait();
    void acceptDuringTheStartsWait();
};

// The dialog lists COM1 by its URL; the rate chosen there is what ser2net
// gives the device.
void tst_NetworkWindow::settingsDialogSetsTheRemotePort()
{
    LINTROVA_REQUIRE_TOOL(!Ser2Net::program().isEmpty(), Ser2Net::kMissing);
    PtyPair device;
    Ser2Net server(device.path());
    QVERIFY2(server.start(), qPrintable(server.output()));
    Program p(Setup().ports("COM1=" + server.rfc2217Url().toLatin1() + "\r\n"));
    // The window shows before its port across the network opens.
    QVERIFY(!p.port->PortOpen());
    QTRY_VERIFY(p.port->PortOpen());
    QCOMPARE(device.speed(), speed_t(B9600));
    QCOMPARE(p.edit("txtSend")->isEnabled(), true);

    const QStringList ports = p.acceptSettings({{"cboBaudrate", 13}}); // 921600
    QCOMPARE(ports, QStringList{QStringLiteral("COM1  -  ") + server.rfc2217Url()});
    QCOMPARE(device.speed(), speed_t(B921600));
    QCOMPARE(p.status(), QStringLiteral("Schnittstelle COM1 mit 921600 Baud 8 Datenbits, 1 Stoppbit, "
                                        "Keine Parität und Handshake None ist geöffnet."));
    p.acceptSettings({{"cboBaudrate", 6}}); // 19200
    QCOMPARE(device.speed(), speed_t(B19200));
    QVERIFY(p.port->PortOpen());
    QCOMPARE(p.messages, QStringList());
}

// While the port connects the status says so and its controls are off;
// closing the window ends the wait at once, without a message.
void tst_NetworkWindow::closingTheWindowEndsTheWait()
{
    QTcpServer silent; // takes connections and never answers
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    Program p(Setup().ports("COM1=loop://\r\n"));
    QVERIFY(QTest::qWaitForWindowExposed(p.window.get()));
    QVERIFY(p.port->PortOpen());
    QVERIFY(p.write("Ports.ini", QStringLiteral("[PORTS]\r\nCOM1=rfc2217://127.0.0.1:%1\r\n")
                                     .arg(silent.serverPort())
                                     .toLatin1()));

    QString statusMeanwhile;
    bool sendBoxMeanwhile = true;
    bool slotMeanwhile = true;
    QTimer::singleShot(1500, p.window.get(), [&] {
        statusMeanwhile = p.status();
        sendBoxMeanwhile = p.edit("txtSend")->isEnabled();
        slotMeanwhile = p.button("cmdBefehl1")->isEnabled();
        p.window->close();
    });
    QElapsedTimer clock;
    clock.start();
    p.acceptSettings({{"cboBaudrate", 5}});
    QVERIFY2(clock.elapsed() < 2500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(statusMeanwhile, QStringLiteral("Verbinde mit 127.0.0.1:%1...").arg(silent.serverPort()));
    QVERIFY(!sendBoxMeanwhile);
    QVERIFY(!slotMeanwhile);
    QVERIFY(!p.window->isVisible());
    QVERIFY(!p.port->PortOpen());
    QCOMPARE(p.messages, QStringList());
}

// COM1's server takes the connection and never answers. While the window
// waits for it, the user picks COM2 (the loopback) in the settings dialog and
// accepts: COM2 is what opens, at once, and what the status names (fault:
// the Accept was lost, COM1 went on waiting and the status said COM2).
void tst_NetworkWindow::acceptDuringTheStartsWait()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    const QString url = QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.serverPort());
    Program p(Setup().ports("COM1=" + url.toLatin1() + "\r\nCOM2=loop://\r\n"));
    // The window's events run inside the opening's wait: the user acts there.
    QString statusMeanwhile;
    QElapsedTimer sinceAccept;
    QTimer::singleShot(1000, p.window.get(), [&] {
        statusMeanwhile = p.status();
        UiTestSupport::whenModalShows<frmSettings>([&sinceAccept](frmSettings *dialog) {
            auto *ports = dialog->findChild<QComboBox *>("cboPcPort");
            ports->setCurrentIndex(ports->findText(QStringLiteral("COM2  -  loop://")));
            sinceAccept.start();
            dialog->findChild<QPushButton *>("cmdOk")->click();
        });
        p.child<QAction>("mnuEditSettings")->trigger();
    });
    QTRY_VERIFY_WITH_TIMEOUT(p.port->PortOpen(), 8000);
    QCOMPARE(statusMeanwhile,
             QStringLiteral("Verbinde mit 127.0.0.1:%1...").arg(silent.serverPort()));
    QVERIFY2(sinceAccept.elapsed() < 2000, qPrintable(QString::number(sinceAccept.elapsed())));
    QCOMPARE(p.status(), QStringLiteral("Schnittstelle COM2 mit 9600 Baud 8 Datenbits, 1 Stoppbit, "
                                        "Keine Parität und Handshake None ist geöffnet."));
    QTest::qWait(200);
    QCOMPARE(p.messages, QStringList());
    QCOMPARE(p.settings.ComPort, quint8(1));
}

QTEST_MAIN(tst_NetworkWindow)
#include "tst_network_window.moc"
