// The main window with a port across the network: its COM1 is served by
// Debian's ser2net (started by the test on 127.0.0.1) from a pseudo-terminal
// the test plays the device on, or by a server that never answers.

#include "app/SystemFolders.h"
#include "app/modGlobal.h"
#include "ports/PortByEntry.h"
#include "ports/PtyPair.h"
#include "ports/Ser2Net.h"
#include "engine/TerminalEngine.h"
#include "host/ComPortList.h"
#include "host/ComPortMap.h"
#include "host/SerialDeviceSource.h"
#include "ui/MessageBoxes.h"
#include "ui/frmMain.h"
#include "ui/frmSettings.h"

#include "UiTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <termios.h>

namespace {

class NoDevices : public SerialDeviceSource {
public:
    QList<SerialDevice> devices() const override { return {}; }
};

// The program as main() puts it together, with its data folder in a
// temporary folder and COM1 mapped to `url` in Ports.ini.
struct Program {
    QTemporaryDir data;
    NoDevices devices;
    SettingsRecord settings;
    std::unique_ptr<PortByEntry> port;
    std::unique_ptr<frmMain> window;
    QStringList messages;

    explicit Program(const QString &url)
    {
        qputenv("XDG_DATA_HOME", data.path().toLocal8Bit());
        SystemFolders::SetProgramFolderForTesting(data.path() + QStringLiteral("/no-template"));
        const QString folder = SystemFolders::DataFolder();
        QDir().mkpath(folder);
        write(folder + QStringLiteral("Settings.ini"), "[SETTINGS]\r\nBaudrate=5\r\nWaitTime=0\r\n");
        mapCom1(url);
        MessageBoxes::setPresenter(
            [this](const MessageBoxes::Message &m) { messages.append(m.title + u'|' + m.text); });
        port = std::make_unique<PortByEntry>(
            [this](int n) {
                ComPortMap map(settings.DataFolder, devices);
                const ComPortMap::Lookup found = map.pathFor(n, settings.Language);
                return PortPath{found.path, found.error, found.mappedPath, found.identity};
            },
            [this] { return settings.Language; });
        window = std::make_unique<frmMain>(settings, *port);
        window->setPortListSource([this] {
            ComPortMap map(settings.DataFolder, devices);
            return fkt_ToolsGetComPortList(map);
        });
        window->Form_Load();
        window->show();
    }
    ~Program() { MessageBoxes::setPresenter({}); }
    void mapCom1(const QString &url)
    {
        write(SystemFolders::DataFolder() + QStringLiteral("Ports.ini"),
              "[PORTS]\r\nCOM1=" + url.toLatin1() + "\r\n");
    }
    static void write(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
    QString status() const { return window->findChild<QLabel *>("stbStatus")->text(); }
    // Accepts the settings dialog with the baud rate of the list's row.
    void acceptSettings(int baudRow, QStringList *ports = nullptr)
    {
        UiTestSupport::whenModalShows<frmSettings>([baudRow, ports](frmSettings *dialog) {
            if (ports)
                *ports = UiTestSupport::itemsOf(dialog->findChild<QComboBox *>("cboPcPort"));
            dialog->findChild<QComboBox *>("cboBaudrate")->setCurrentIndex(baudRow);
            dialog->findChild<QPushButton *>("cmdOk")->click();
        });
        window->mnuEditSettings_Click();
    }
};

speed_t speedOf(const PtyPair &device)
{
    termios attributes{};
    return ::tcgetattr(device.master(), &attributes) == 0 ? cfgetospeed(&attributes) : B0;
}

} // namespace

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
    Program p(server.rfc2217Url());
    // The window shows before its port across the network opens.
    QVERIFY(!p.port->PortOpen());
    QTRY_VERIFY(p.port->PortOpen());
    QCOMPARE(speedOf(device), speed_t(B9600));
    QCOMPARE(p.window->findChild<QLineEdit *>("txtSend")->isEnabled(), true);

    QStringList ports;
    p.acceptSettings(13, &ports); // 921600
    QCOMPARE(ports, QStringList{QStringLiteral("COM1  -  ") + server.rfc2217Url()});
    QCOMPARE(speedOf(device), speed_t(B921600));
    QCOMPARE(p.status(), QStringLiteral("Schnittstelle COM1 mit 921600 Baud 8 Datenbits, 1 Stoppbit, "
                                        "Keine Parität und Handshake None ist geöffnet."));
    p.acceptSettings(6); // 19200
    QCOMPARE(speedOf(device), speed_t(B19200));
    QVERIFY(p.port->PortOpen());
    QCOMPARE(p.messages, QStringList());
}

// While the port connects the status says so and its controls are off;
// closing the window ends the wait at once, without a message.
void tst_NetworkWindow::closingTheWindowEndsTheWait()
{
    QTcpServer silent; // takes connections and never answers
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    Program p(QStringLiteral("loop://"));
    QVERIFY(QTest::qWaitForWindowExposed(p.window.get()));
    QVERIFY(p.port->PortOpen());
    p.mapCom1(QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.serverPort()));

    QString statusMeanwhile;
    bool sendBoxMeanwhile = true;
    bool slotMeanwhile = true;
    QTimer::singleShot(1500, p.window.get(), [&] {
        statusMeanwhile = p.status();
        sendBoxMeanwhile = p.window->findChild<QLineEdit *>("txtSend")->isEnabled();
        slotMeanwhile = p.window->findChild<QPushButton *>("cmdBefehl1")->isEnabled();
        p.window->close();
    });
    QElapsedTimer clock;
    clock.start();
    p.acceptSettings(5);
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
    Program p(url + QStringLiteral("\r\nCOM2=loop://"));
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
        p.window->findChild<QAction *>("mnuEditSettings")->trigger();
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
