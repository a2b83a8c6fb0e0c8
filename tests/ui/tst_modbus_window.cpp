// The main window against a real device protocol: Debian's python3-pymodbus
// serves a Modbus RTU unit on a pseudo-terminal (tools/modbus_rtu_device.py),
// mapped as COM1 in Ports.ini as a user would. A request typed with hex
// tokens and the appended CRC goes out; the device's exact answer is the
// [IN] line in the hex view. Without pymodbus: see RequiredTool.h.

#include "ui/LogView.h"
#include "RequiredTool.h"

#include "WindowRig.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

// Debian's Python, which has the packages of python3-pymodbus; empty when
// pymodbus or the serial packages it runs on are missing.
QString pythonWithPymodbus()
{
    for (const QString &python :
         {QStringLiteral("/usr/bin/python3"), QStandardPaths::findExecutable("python3")}) {
        if (python.isEmpty() || !QFile::exists(python))
            continue;
        QProcess probe;
        probe.start(python, {QStringLiteral("-c"),
                             QStringLiteral("import pymodbus, serial, serial_asyncio")});
        if (probe.waitForFinished(20000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return python;
    }
    return QString();
}

constexpr const char *kMissing = "python3-pymodbus is not installed (tools/setup.sh installs it "
                                 "with python3-serial and python3-serial-asyncio)";

// The device: the script prints the terminal's path once it serves.
class ModbusDevice {
public:
    explicit ModbusDevice(const QString &python)
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(python, {QStringLiteral(LINTROVA_TOOLS_DIR "/modbus_rtu_device.py")});
    }
    ~ModbusDevice()
    {
        m_process.closeWriteChannel(); // the script ends when its input closes
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(3000);
    }
    // The terminal to open, or empty when the device did not come up in 20 s.
    QString path()
    {
        if (!m_process.waitForStarted(20000))
            return QString();
        QDeadlineTimer deadline(20000);
        while (!m_process.canReadLine() && !deadline.hasExpired() &&
               m_process.state() == QProcess::Running)
            m_process.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }
    QString errors() { return QString::fromLocal8Bit(m_process.readAllStandardError()); }

private:
    QProcess m_process;
};

// The content of the first line of the direction, as the view shows it.
QString shownContent(const Program &p, const QString &marker)
{
    const auto *list = p.child<LogView>(QStringLiteral("lstSendReceive"));
    for (int i = 0; i < p.log().count(); ++i) {
        const QString line = list->shownLine(i);
        if (line.mid(12, 9) == marker)
            return line.mid(TrafficLog::kPrefixLength);
    }
    return QString();
}

} // namespace

class tst_ModbusWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readHoldingRegistersInHex();
};

void tst_ModbusWindow::readHoldingRegistersInHex()
{
    const QString python = pythonWithPymodbus();
    LINTROVA_REQUIRE_TOOL(!python.isEmpty(), kMissing);
    ModbusDevice device(python);
    const QString path = device.path();
    QVERIFY2(path.startsWith(QStringLiteral("/dev/")), qPrintable(device.errors()));
    Program p(Setup("[SETTINGS]\r\nBaudrate=5\r\nWaitTime=20\r\nLanguage=1\r\n")
                  .ports("COM1=" + path.toLocal8Bit() + "\r\n"));
    QVERIFY2(p.port->PortOpen(), qPrintable(p.messages.join(u'\n')));
    QVERIFY(QTest::qWaitForWindowActive(p.window.get()));

    // The user types the request in hex, appends its CRC and sends it.
    auto *send = p.window->findChild<QLineEdit *>("txtSend");
    send->setFocus();
    QTest::keyClicks(send, "<0x01 03 00 00 00 02>");
    p.window->findChild<QAction *>("mnuEditChecksumCrc16Modbus")->trigger();
    QCOMPARE(send->text(), QStringLiteral("<0x01 03 00 00 00 02><0xC4 0B>"));
    p.window->findChild<QAction *>("mnuViewHex")->trigger();
    QTest::keyClick(send, Qt::Key_Return);

    // Read holding registers 0 and 1 of unit 1: 1234 and 5678, then the CRC.
    QTRY_COMPARE_WITH_TIMEOUT(shownContent(p, QStringLiteral("  [IN]   ")),
                              QStringLiteral("01 03 04 04 D2 16 2E D5 46"), 10000);
    QCOMPARE(shownContent(p, QStringLiteral("  [OUT]  ")),
             QStringLiteral("01 03 00 00 00 02 C4 0B"));
    QCOMPARE(p.log().count(), 2); // the answer came as one block
    QVERIFY(p.messages.isEmpty());
}

QTEST_MAIN(tst_ModbusWindow)
#include "tst_modbus_window.moc"
