#include "FakeMachine.h"

#include "host/ComPortList.h"
#include "host/SystemSerialDeviceSource.h"

#include <QTest>

namespace {

// Writes the separator as '|' so that expectations stay readable.
QString readable(QString text)
{
    return text.replace(QChar(0x03), QLatin1Char('|'));
}

} // namespace

class tst_ComPortList : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void format_data();
    void format();
    void listOfDiscoveredPorts();
    void emptyMachineGivesZero();
    void systemDevicesHaveAbsolutePaths();
};

void tst_ComPortList::format_data()
{
    QTest::addColumn<QList<DiscoveredPort>>("ports");
    QTest::addColumn<QString>("expected");
    QTest::newRow("none") << QList<DiscoveredPort>{} << QStringLiteral("0");
    QTest::newRow("one") << QList<DiscoveredPort>{{3, "/dev/ttyUSB0", "FT232R USB UART (ttyUSB0)"}}
                         << QStringLiteral("1|3|FT232R USB UART (ttyUSB0)");
    QTest::newRow("two digits, empty name")
            << QList<DiscoveredPort>{{1, "/dev/ttyS0", "/dev/ttyS0"}, {10, "/dev/x", ""}}
            << QStringLiteral("2|1|/dev/ttyS0|10|");
    QTest::newRow("separator inside a name")
            << QList<DiscoveredPort>{{2, "/dev/a\x03" "b", "/dev/a\x03" "b"}, {4, "/dev/c", "c"}}
            << QStringLiteral("2|2|/dev/a b|4|c");
}

void tst_ComPortList::format()
{
    QFETCH(QList<DiscoveredPort>, ports);
    QFETCH(QString, expected);
    QCOMPARE(readable(fkt_ToolsFormatComPortList(ports)), expected);
}

void tst_ComPortList::listOfDiscoveredPorts()
{
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), QStringLiteral("usb-FTDI-if00-port0"),
           QStringLiteral("FT232R USB UART"));
    m.plug(QStringLiteral("ttyACM0"), QString(), QString());
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());

    const QString text = fkt_ToolsGetComPortList(map);
    QCOMPARE(text.count(QChar(0x03)), 4); // no separator before the first or after the last field
    QCOMPARE(readable(text), QStringLiteral("2|1|FT232R USB UART (ttyUSB0)|2|")
                                     + m.node(QStringLiteral("ttyACM0")));
}

void tst_ComPortList::emptyMachineGivesZero()
{
    FakeMachine m;
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());
    QCOMPARE(fkt_ToolsGetComPortList(map), QStringLiteral("0"));
}

void tst_ComPortList::systemDevicesHaveAbsolutePaths()
{
    // Whatever this machine has: every device must be named by its node,
    // or the numbering could not find it again.
    const QList<SerialDevice> devices = SystemSerialDeviceSource().devices();
    for (const SerialDevice &d : devices)
        QVERIFY2(d.path.startsWith(QStringLiteral("/dev/")), qPrintable(d.path));
}

QTEST_GUILESS_MAIN(tst_ComPortList)
#include "tst_comportlist.moc"
