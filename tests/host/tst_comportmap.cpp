#include "FakeMachine.h"

#include "app/IniProfile.h"
#include "host/ComPortList.h"
#include "host/ComPortMap.h"
#include "host/PortAddress.h"
#include "text/Codec.h"
#include "text/QuotedValue.h"

#include <QTest>

#include <pty.h>
#include <unistd.h>

namespace {

const QString ftdi = QStringLiteral("usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
const QString prolific = QStringLiteral("usb-Prolific_PL2303-if00-port0");
const QString cp210x = QStringLiteral("usb-Silicon_Labs_CP2102_0001-if00-port0");

// "n path name" per port, which QCOMPARE can show when it fails.
QStringList describe(const QList<DiscoveredPort> &ports)
{
    QStringList lines;
    for (const DiscoveredPort &p : ports)
        lines << QString::number(p.comNumber) + QLatin1Char(' ') + p.path + QLatin1Char(' ')
                         + p.friendlyName;
    return lines;
}

int numberOf(const QList<DiscoveredPort> &ports, const QString &path)
{
    for (const DiscoveredPort &p : ports) {
        if (p.path == path)
            return p.comNumber;
    }
    return 0;
}

QString iniEntry(const FakeMachine &m, int n)
{
    return IniProfile::GetPrivateProfileString(QStringLiteral("PORTS"),
                                               QStringLiteral("COM%1").arg(n), QString(),
                                               m.iniPath());
}

// A pseudo-terminal pair that closes with the test.
struct Pty {
    int master = -1;
    int slave = -1;
    QString path;
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            path = QString::fromLocal8Bit(name);
    }
    ~Pty()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
    }
};

} // namespace

class tst_ComPortMap : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void firstDeviceIsCom1AtFirstStart();
    void numbersStableAcrossRuns();
    void numberKeptAcrossReplug_data();
    void numberKeptAcrossReplug();
    void absentDeviceKeepsItsNumberReserved();
    void lowestFreeNumberTaken_data();
    void lowestFreeNumberTaken();
    void numberTakenByOtherInstanceMeanwhile_data();
    void numberTakenByOtherInstanceMeanwhile();
    void kernelNameMappingKept();
    void deviceMappedTwiceListedOnce();
    void friendlyNames_data();
    void friendlyNames();
    void handMappedPseudoTerminal();
    void identityTellsKernelNamesApart_data();
    void identityTellsKernelNamesApart();
    void unassignedNumberDiscoversOnceThenFails();
    void unassignedNumberPicksUpNewDevice();
    void absentDeviceGivesError_data();
    void absentDeviceGivesError();
    void outOfRangeNumberGivesError_data();
    void outOfRangeNumberGivesError();
    void garbageEntriesIgnored_data();
    void garbageEntriesIgnored();
    void messagesQuoteEntries();
    void urlEntries_data();
    void urlEntries();
    void missingByIdFolder();
    void longStableNameRecordedWhole();
    void longPathNotCutToAnotherDevice_data();
    void longPathNotCutToAnotherDevice();
    void unwritableDataFolder();
    void unwritablePathLeavesTheFile_data();
    void unwritablePathLeavesTheFile();
    void handEditedEncodings_data();
    void handEditedEncodings();
    void recordedNamesKeepTheFileEncoding_data();
    void recordedNamesKeepTheFileEncoding();
};

void tst_ComPortMap::firstDeviceIsCom1AtFirstStart()
{
    FakeMachine m;
    QVERIFY(m.isValid());
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());

    const ComPortMap::Lookup found = map.pathFor(1, 1);
    QCOMPARE(found.error, QString());
    QCOMPARE(found.path, m.node(QStringLiteral("ttyUSB0")));
    QCOMPARE(found.mappedPath, m.stableName(ftdi)); // the name errors speak of
    // Recorded under the name that survives replugging.
    QCOMPARE(iniEntry(m, 1), m.stableName(ftdi));
    QCOMPARE(describe(map.discover()),
             QStringList{QStringLiteral("1 ") + m.stableName(ftdi)
                         + QStringLiteral(" FT232R USB UART (ttyUSB0)")});
}

void tst_ComPortMap::numbersStableAcrossRuns()
{
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    m.plug(QStringLiteral("ttyUSB1"), prolific, QStringLiteral("USB-Serial Controller"));
    m.plug(QStringLiteral("ttyACM0"), QString(), QStringLiteral("Arduino Uno"));
    const QStringList first = describe(ComPortMap(m.dataFolder(), m, m.byIdFolder()).discover());
    QCOMPARE(first.size(), 3);

    m.reverseOrder();
    const QStringList second = describe(ComPortMap(m.dataFolder(), m, m.byIdFolder()).discover());
    QCOMPARE(second, first);
}

void tst_ComPortMap::numberKeptAcrossReplug_data()
{
    QTest::addColumn<QString>("replugAs");
    QTest::newRow("same kernel name") << QStringLiteral("ttyUSB0");
    QTest::newRow("other kernel name") << QStringLiteral("ttyUSB7");
}

void tst_ComPortMap::numberKeptAcrossReplug()
{
    QFETCH(QString, replugAs);
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    m.plug(QStringLiteral("ttyUSB1"), prolific, QStringLiteral("USB-Serial Controller"));
    ComPortMap(m.dataFolder(), m, m.byIdFolder()).discover();

    m.unplug(QStringLiteral("ttyUSB0"), ftdi);
    m.unplug(QStringLiteral("ttyUSB1"), prolific);
    m.plug(QStringLiteral("ttyUSB1"), prolific, QStringLiteral("USB-Serial Controller"));
    m.plug(replugAs, ftdi, QStringLiteral("FT232R USB UART"));
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());
    const QList<DiscoveredPort> ports = map.discover();

    QCOMPARE(numberOf(ports, m.stableName(ftdi)), 1);
    QCOMPARE(numberOf(ports, m.stableName(prolific)), 2);
    QCOMPARE(ports.size(), 2);
    QCOMPARE(ports.first().friendlyName, QStringLiteral("FT232R USB UART (%1)").arg(replugAs));
    QCOMPARE(map.pathFor(1, 1).path, m.node(replugAs));
}

void tst_ComPortMap::absentDeviceKeepsItsNumberReserved()
{
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    m.plug(QStringLiteral("ttyUSB1"), prolific, QString());
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());
    map.discover();

    m.unplug(QStringLiteral("ttyUSB0"), ftdi);
    QCOMPARE(describe(map.discover()),
             QStringList{QStringLiteral("2 %1 %1").arg(m.stableName(prolific))});
    QCOMPARE(iniEntry(m, 1), m.stableName(ftdi));

    // A new device must not take the absent device's number.
    m.plug(QStringLiteral("ttyUSB0"), cp210x, QStringLiteral("CP2102"));
    QCOMPARE(numberOf(map.discover(), m.stableName(cp210x)), 3);
}

void tst_ComPortMap::lowestFreeNumberTaken_data()
{
    QTest::addColumn<QList<int>>("taken");
    QTest::addColumn<int>("expected");
    QTest::newRow("none taken") << QList<int>{} << 1;
    QTest::newRow("gap at 2") << QList<int>{1, 3, 4} << 2;
    QTest::newRow("gap at 1") << QList<int>{2, 3} << 1;
    QTest::newRow("first five taken") << QList<int>{1, 2, 3, 4, 5} << 6;
    QTest::newRow("up to COM16") << QList<int>{1,  2,  3,  4,  5,  6,  7,  8,
                                               9, 10, 11, 12, 13, 14, 15, 16}
                                 << 17;
}

void tst_ComPortMap::lowestFreeNumberTaken()
{
    QFETCH(QList<int>, taken);
    QFETCH(int, expected);
    FakeMachine m;
    for (int n : taken) {
        // Devices that are away right now still own their numbers.
        IniProfile::WritePrivateProfileString(QStringLiteral("PORTS"), QStringLiteral("COM%1").arg(n),
                                              QStringLiteral("/dev/serial/by-id/away-%1").arg(n),
                                              m.iniPath());
    }
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    const QList<DiscoveredPort> ports = ComPortMap(m.dataFolder(), m, m.byIdFolder()).discover();

    QCOMPARE(numberOf(ports, m.stableName(ftdi)), expected);
    QCOMPARE(iniEntry(m, expected), m.stableName(ftdi));
    for (int n : taken)
        QCOMPARE(iniEntry(m, n), QStringLiteral("/dev/serial/by-id/away-%1").arg(n));
}

void tst_ComPortMap::numberTakenByOtherInstanceMeanwhile_data()
{
    QTest::addColumn<bool>("sameDevice");
    QTest::newRow("another device") << false;
    QTest::newRow("this device") << true;
}

void tst_ComPortMap::numberTakenByOtherInstanceMeanwhile()
{
    QFETCH(bool, sameDevice);
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    const QString otherPath =
            sameDevice ? m.node(QStringLiteral("ttyUSB0")) : QStringLiteral("/dev/serial/by-id/other");
    m.whileEnumerating = [&] {
        IniProfile::WritePrivateProfileString(QStringLiteral("PORTS"), QStringLiteral("COM1"),
                                              otherPath, m.iniPath());
    };
    const QList<DiscoveredPort> ports = ComPortMap(m.dataFolder(), m, m.byIdFolder()).discover();

    QCOMPARE(iniEntry(m, 1), otherPath); // not overwritten
    QCOMPARE(ports.size(), 1);
    QCOMPARE(ports.first().comNumber, sameDevice ? 1 : 2);
    QCOMPARE(iniEntry(m, 2), sameDevice ? QString() : m.stableName(ftdi));
}

void tst_ComPortMap::kernelNameMappingKept()
{
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    IniProfile::WritePrivateProfileString(QStringLiteral("PORTS"), QStringLiteral("COM2"),
                                          m.node(QStringLiteral("ttyUSB0")), m.iniPath());
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());

    const QList<DiscoveredPort> ports = map.discover();
    QCOMPARE(describe(ports), QStringList{QStringLiteral("2 ") + m.node(QStringLiteral("ttyUSB0"))
                                          + QStringLiteral(" FT232R USB UART (ttyUSB0)")});
    QCOMPARE(iniEntry(m, 1), QString()); // no second number
    QCOMPARE(iniEntry(m, 2), m.node(QStringLiteral("ttyUSB0")));
}

void tst_ComPortMap::deviceMappedTwiceListedOnce()
{
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    IniProfile::WritePrivateProfileString(QStringLiteral("PORTS"), QStringLiteral("COM4"),
                                          m.node(QStringLiteral("ttyUSB0")), m.iniPath());
    IniProfile::WritePrivateProfileString(QStringLiteral("PORTS"), QStringLiteral("COM3"),
                                          m.stableName(ftdi), m.iniPath());
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());

    const QList<DiscoveredPort> ports = map.discover();
    QCOMPARE(ports.size(), 1);
    QCOMPARE(ports.first().comNumber, 3);
    // Both numbers still open the device.
    QCOMPARE(map.pathFor(3, 1).path, m.node(QStringLiteral("ttyUSB0")));
    QCOMPARE(map.pathFor(4, 1).path, m.node(QStringLiteral("ttyUSB0")));
}

void tst_ComPortMap::friendlyNames_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("description");
    QTest::addColumn<bool>("nameIsPath");
    QTest::addColumn<QString>("expectedName");
    QTest::newRow("description, by-id") << ftdi << QStringLiteral("FT232R USB UART") << false
                                        << QStringLiteral("FT232R USB UART (ttyUSB0)");
    QTest::newRow("description, no by-id") << QString() << QStringLiteral("Arduino Uno") << false
                                           << QStringLiteral("Arduino Uno (ttyUSB0)");
    QTest::newRow("no description, by-id") << ftdi << QString() << true << QString();
    QTest::newRow("no description, no by-id") << QString() << QString() << true << QString();
}

void tst_ComPortMap::friendlyNames()
{
    QFETCH(QString, id);
    QFETCH(QString, description);
    QFETCH(bool, nameIsPath);
    QFETCH(QString, expectedName);
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), id, description);
    const QList<DiscoveredPort> ports = ComPortMap(m.dataFolder(), m, m.byIdFolder()).discover();

    QCOMPARE(ports.size(), 1);
    const QString expectedPath = id.isEmpty() ? m.node(QStringLiteral("ttyUSB0")) : m.stableName(id);
    QCOMPARE(ports.first().path, expectedPath);
    QCOMPARE(ports.first().friendlyName, nameIsPath ? expectedPath : expectedName);
}

void tst_ComPortMap::handMappedPseudoTerminal()
{
    Pty pty;
    QVERIFY(!pty.path.isEmpty());
    FakeMachine m;
    m.writeIni("[PORTS]\r\nCOM5=" + pty.path.toLocal8Bit() + "\r\n");
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());

    QCOMPARE(describe(map.discover()), QStringList{QStringLiteral("5 %1 %1").arg(pty.path)});
    const ComPortMap::Lookup found = map.pathFor(5, 1);
    QCOMPARE(found.path, pty.path);
    QCOMPARE(found.error, QString());
    QCOMPARE(found.mappedPath, pty.path);
}

void tst_ComPortMap::identityTellsKernelNamesApart_data()
{
    QTest::addColumn<QString>("entry"); // what COM1 names: kernel, by-id or link
    QTest::addColumn<QString>("serialBefore");
    QTest::addColumn<QString>("serialAfter"); // of the device under the same name later
    QTest::addColumn<bool>("same");
    QTest::newRow("kernel name, same serial number") << "kernel" << "A1" << "A1" << true;
    QTest::newRow("kernel name, another serial number") << "kernel" << "A1" << "B2" << false;
    QTest::newRow("kernel name, none after one") << "kernel" << "A1" << "" << false;
    QTest::newRow("kernel name, one after none") << "kernel" << "" << "B2" << false;
    QTest::newRow("kernel name, neither has one") << "kernel" << "" << "" << true;
    QTest::newRow("by-id name: names its device for good") << "by-id" << "A1" << "B2" << true;
    QTest::newRow("a link the user made") << "link" << "A1" << "B2" << true;
}

void tst_ComPortMap::identityTellsKernelNamesApart()
{
    QFETCH(QString, entry);
    QFETCH(QString, serialBefore);
    QFETCH(QString, serialAfter);
    QFETCH(bool, same);
    FakeMachine m;
    const QString kernelName = QStringLiteral("ttyUSB0");
    m.plug(kernelName, ftdi, QStringLiteral("FT232R USB UART"), serialBefore);
    QString path = m.node(kernelName);
    if (entry == QLatin1String("by-id"))
        path = m.stableName(ftdi);
    if (entry == QLatin1String("link")) {
        path = m.dataFolder() + QStringLiteral("my-device");
        QVERIFY(QFile::link(m.node(kernelName), path));
    }
    m.writeIni("[PORTS]\nCOM1=" + path.toLocal8Bit() + "\n");
    ComPortMap map(m.dataFolder(), m, m.byIdFolder(), m.kernelFolder());
    const ComPortMap::Lookup before = map.pathFor(1, 1);
    QCOMPARE(before.identity, entry == QLatin1String("kernel") ? serialBefore : QString());

    m.unplug(kernelName, ftdi);
    m.plug(kernelName, ftdi, QStringLiteral("FT232R USB UART"), serialAfter);
    const ComPortMap::Lookup after = map.pathFor(1, 1);
    QCOMPARE(after.path, m.node(kernelName));
    QCOMPARE(after.mappedPath, before.mappedPath);
    QCOMPARE(after.identity == before.identity, same);
}

void tst_ComPortMap::unassignedNumberDiscoversOnceThenFails()
{
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());

    const ComPortMap::Lookup found = map.pathFor(3, 1);
    QCOMPARE(m.enumerations(), 1);
    QCOMPARE(found.path, QString());
    QVERIFY2(found.error.startsWith(QStringLiteral("COM3 is not assigned to a device")),
             qPrintable(found.error));
    QVERIFY2(found.error.contains(m.iniPath()), qPrintable(found.error));
    // The discovery it ran still numbered the device that is there.
    QCOMPARE(iniEntry(m, 1), m.stableName(ftdi));
}

void tst_ComPortMap::unassignedNumberPicksUpNewDevice()
{
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());
    QVERIFY(!map.pathFor(2, 1).error.isEmpty());

    m.plug(QStringLiteral("ttyUSB1"), prolific, QString());
    QCOMPARE(map.pathFor(2, 1).path, m.node(QStringLiteral("ttyUSB1")));
    // A number that has its entry is opened without enumerating.
    const int before = m.enumerations();
    QCOMPARE(map.pathFor(1, 1).path, m.node(QStringLiteral("ttyUSB0")));
    QCOMPARE(m.enumerations(), before);
}

void tst_ComPortMap::absentDeviceGivesError_data()
{
    // $ stands for the entry as written in Ports.ini, & for Ports.ini itself.
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("folder"); // the entry names a folder, not a device
    QTest::addColumn<QString>("error");
    QTest::newRow("English") << 1 << false
                             << "COM1 is assigned to $, which is not present; connect the device "
                                "or change &";
    QTest::newRow("German") << 0 << false
                            << u"COM1 ist $ zugeordnet, das nicht vorhanden ist; schließen Sie das "
                               "Gerät an oder ändern Sie &"_qs;
    // A folder was once reported as a device that is not present.
    QTest::newRow("a folder, English") << 1 << true << "$ is not a serial device";
    QTest::newRow("a folder, German") << 0 << true << "$ ist keine serielle Schnittstelle";
}

void tst_ComPortMap::absentDeviceGivesError()
{
    QFETCH(int, language);
    QFETCH(bool, folder);
    QFETCH(QString, error);
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());
    map.discover();
    m.unplug(QStringLiteral("ttyUSB0"), ftdi);
    QString entry = m.stableName(ftdi);
    if (folder) {
        entry = m.dataFolder() + QStringLiteral("folder");
        QVERIFY(QDir().mkpath(entry));
        IniProfile::WritePrivateProfileString(QStringLiteral("PORTS"), QStringLiteral("COM1"),
                                              entry, m.iniPath());
    }

    const ComPortMap::Lookup found = map.pathFor(1, quint8(language));
    QCOMPARE(found.path, QString());
    QCOMPARE(found.error, error.replace(u'$', entry).replace(u'&', m.iniPath()));
    QCOMPARE(found.mappedPath, entry);
    QCOMPARE(iniEntry(m, 1), entry); // kept for its return
}

void tst_ComPortMap::outOfRangeNumberGivesError_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("error"); // & for Ports.ini
    QTest::newRow("0") << 0 << 1
                       << "COM0 is not assigned to a device; assign one in & or connect the device";
    QTest::newRow("-1") << -1 << 1
                        << "COM-1 is not assigned to a device; assign one in & or connect the "
                           "device";
    QTest::newRow("257") << 257 << 1
                         << "COM257 is not assigned to a device; assign one in & or connect the "
                            "device";
    QTest::newRow("257, German") << 257 << 0
                                 << u"COM257 ist keinem Gerät zugeordnet; ordnen Sie in & eines zu "
                                    "oder schließen Sie das Gerät an"_qs;
}

void tst_ComPortMap::outOfRangeNumberGivesError()
{
    QFETCH(int, number);
    QFETCH(int, language);
    QFETCH(QString, error);
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    const ComPortMap::Lookup found =
            ComPortMap(m.dataFolder(), m, m.byIdFolder()).pathFor(number, quint8(language));
    QCOMPARE(found.path, QString());
    QCOMPARE(found.error, error.replace(u'&', m.iniPath()));
    QCOMPARE(found.mappedPath, QString());
}

void tst_ComPortMap::garbageEntriesIgnored_data()
{
    // $ stands for an existing file that no enumeration reports.
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("expected"); // number the plugged device gets
    QTest::addColumn<QString>("reason"); // why COM1's line cannot be used
    const auto row = [](const char *name, const QByteArray &ini, const QString &reason = {}) {
        QTest::newRow(name) << ini << (ini.startsWith("[PORTS]\nCOM1=") ? 2 : 1) << reason;
    };
    // COM1's line, which keeps its number: a device once took COM4 of
    // "COM4=rfc2217://127.0.0.1:0".
    const auto com1 = [&row](const char *name, const QByteArray &entry, const QString &reason) {
        row(name, "[PORTS]\nCOM1=" + entry + '\n', reason);
    };
    const QString host = QStringLiteral("\"%1\" is neither a host name nor an IP address");
    const QString port = QStringLiteral("\"%1\" is not a port number");
    const QString form = QStringLiteral("\"%1\" is neither an absolute path nor "
                                        "rfc2217://host:port, socket://host:port or loop://");
    const QString noPort = QStringLiteral("the host is not followed by :port");
    const QString invisible = QStringLiteral(
        "the entry begins or ends with an invisible character");
    row("COMx", "[PORTS]\nCOMx=$\n");
    row("COM0", "[PORTS]\nCOM0=$\n");
    row("COM-1", "[PORTS]\nCOM-1=$\n");
    row("COM257", "[PORTS]\nCOM257=$\n");
    com1("empty value", "", "the entry is empty");
    com1("blank value", "   ", "the entry is empty");
    com1("relative value", "dev/ttyUSB0", form.arg("dev/ttyUSB0"));
    row("other section", "[SETTINGS]\nCOM1=$\n");
    row("no section", "COM1=$\n");
    // Fixed: the length once counted the literal's terminating NUL and one
    // byte beyond it.
    row("not an ini file", QByteArray("\x00\xff[[=\n=\n[PORTS\nCOM", 18));
    com1("absent device kept", "/nonexistent/tty", {});
    com1("folder as device", "/", {});
    // Addresses that are not one of the URL forms.
    com1("no port", "rfc2217://lab", noPort);
    com1("empty port", "rfc2217://lab:", noPort);
    com1("port 0", "rfc2217://127.0.0.1:0", "port 0 is not between 1 and 65535");
    com1("port 65536", "socket://lab:65536", "port 65536 is not between 1 and 65535");
    com1("leading zero", "socket://lab:07000", port.arg("07000"));
    com1("sign", "socket://lab:+7000", port.arg("+7000"));
    com1("no host", "rfc2217://:7000", "the host is missing");
    com1("a host name of 300 characters", "rfc2217://" + QByteArray(300, 'h') + ":7000",
         "the host name is longer than 253 characters");
    com1("empty label", "rfc2217://lab..local:7000", host.arg("lab..local"));
    com1("user", "rfc2217://me@lab:7000", host.arg("me@lab"));
    com1("path", "rfc2217://lab:7000/x", port.arg("7000/x"));
    com1("options", "rfc2217://lab:7000?logging=debug", port.arg("7000?logging=debug"));
    com1("blank inside", "rfc2217://lab :7000", host.arg("lab "));
    com1("IPv6 without brackets", "socket://::1:7000", host.arg("::1"));
    com1("IPv6, not hex", "socket://[::g]:7000", host.arg("::g"));
    com1("IPv6, no closing bracket", "socket://[::1:7000", host.arg("[::1:7000"));
    com1("IPv6, no port", "socket://[::1]7000", noPort);
    com1("IPv6, an empty interface", "socket://[fe80::1%]:7000", host.arg("fe80::1%"));
    com1("IPv6, two interfaces", "socket://[fe80::1%eth0%eth1]:7000",
         host.arg("fe80::1%eth0%eth1"));
    com1("IPv6, an interface name too long", "socket://[fe80::1%enx0123456789abc]:7000",
         host.arg("fe80::1%enx0123456789abc"));
    com1("IPv6, a slash in the interface", "socket://[fe80::1%eth/0]:7000",
         host.arg("fe80::1%eth/0"));
    com1("IPv6, only an interface", "socket://[%eth0]:7000", host.arg("%eth0"));
    com1("an interface after a name", "socket://lab%eth0:7000", host.arg("lab%eth0"));
    com1("upper-case scheme", "RFC2217://lab:7000", form.arg("RFC2217://lab:7000"));
    com1("other scheme", "tcp://lab:7000", form.arg("tcp://lab:7000"));
    com1("loop with more", "loop://x", form.arg("loop://x"));
    com1("loop without slashes", "loop:", form.arg("loop:"));
    // Fixed: the ends of a path were trimmed of more than the reader's
    // blanks, so these opened the decoy although the file names another path.
    com1("vertical tab after the path, fixed", "$\v", invisible);
    com1("no-break space after the path, fixed", "$\xA0", invisible);
    com1("form feed before the path, fixed", "\f$", invisible);
}

// A line the program cannot use stays as it is, keeps its number and says why.
void tst_ComPortMap::garbageEntriesIgnored()
{
    QFETCH(QByteArray, ini);
    QFETCH(int, expected);
    QFETCH(QString, reason);
    FakeMachine m;
    const QString decoy = m.plainFile(QStringLiteral("decoy"));
    m.writeIni(ini.replace('$', decoy.toLocal8Bit()));
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());

    const QList<DiscoveredPort> ports = map.discover();
    QCOMPARE(describe(ports), QStringList{QStringLiteral("%1 ").arg(expected) + m.stableName(ftdi)
                                          + QStringLiteral(" FT232R USB UART (ttyUSB0)")});
    QCOMPARE(map.pathFor(expected, 1).path, m.node(QStringLiteral("ttyUSB0")));
    QVERIFY(m.readIni().startsWith(ini));
    if (!reason.isEmpty())
        QCOMPARE(map.pathFor(1, 1).error,
                 QStringLiteral("COM1 in Ports.ini cannot be used: ") + reason);
}

// A message quotes at most 300 characters of an entry, and whole characters.
void tst_ComPortMap::messagesQuoteEntries()
{
    FakeMachine m;
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80"); // two UTF-16 code units
    const QString x293(293, u'x');
    QStringList errors;
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());
    const QStringList tails{QString(10'000'000, u'x'), x293 + u'x' + smile, x293 + smile + u'x',
                            x293 + u"xx"_qs};
    for (const QString &tail : tails) {
        m.writeIni("[PORTS]\nCOM1=/dev/" + tail.toUtf8() + "\n");
        errors << map.pathFor(1, 1).error.section(u',', 0, 0);
    }
    m.writeIni("[PORTS]\nCOM1=rfc2217://127.0.0.1:0\n");
    errors << map.pathFor(1, 0).error;
    const QString assigned = QStringLiteral("COM1 is assigned to /dev/");
    QCOMPARE(errors, QStringList({assigned + x293 + u"xx…"_qs, assigned + x293 + u"x…"_qs,
                                  assigned + x293 + smile + u'…', assigned + x293 + u"xx"_qs,
                                  u"COM1 in Ports.ini ist nicht nutzbar: Port 0 liegt nicht "
                                  "zwischen 1 und 65535"_qs}));
}

void tst_ComPortMap::urlEntries_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("kind"); // PortAddress::Kind
    QTest::addColumn<QString>("hostAndPort");
    const int rfc2217 = int(PortAddress::Kind::Rfc2217), socket = int(PortAddress::Kind::Socket),
              loop = int(PortAddress::Kind::Loop);
    QTest::newRow("RFC 2217 by name") << "rfc2217://lab-rack_3.example.org:7000" << rfc2217
                                      << "lab-rack_3.example.org:7000";
    QTest::newRow("RFC 2217 by IPv4 address") << "rfc2217://192.168.1.20:2217" << rfc2217
                                              << "192.168.1.20:2217";
    QTest::newRow("plain TCP, IPv6") << "socket://[fe80::1:2]:1" << socket << "[fe80::1:2]:1";
    QTest::newRow("IPv4 inside IPv6") << "socket://[::ffff:10.0.0.1]:65535" << socket
                                      << "[::ffff:10.0.0.1]:65535";
    QTest::newRow("a global IPv6 address, as the README shows it")
        << "rfc2217://[2001:db8::20]:4001" << rfc2217 << "[2001:db8::20]:4001";
    // Once refused: a link-local address needs its interface.
    QTest::newRow("link-local with its interface")
        << "socket://[fe80::1%eth0]:4001" << socket << "[fe80::1%eth0]:4001";
    QTest::newRow("link-local with the interface's number")
        << "rfc2217://[fe80::1:2%2]:7000" << rfc2217 << "[fe80::1:2%2]:7000";
    QTest::newRow("an interface name of 15 characters")
        << "socket://[fe80::1%enx0123456789ab]:1" << socket << "[fe80::1%enx0123456789ab]:1";
    QTest::newRow("loopback") << "loop://" << loop << "";
}

// A URL entry keeps its number like a device, is listed under its URL and
// comes back as written; the devices take the other numbers.
void tst_ComPortMap::urlEntries()
{
    QFETCH(QString, entry);
    QFETCH(int, kind);
    QFETCH(QString, hostAndPort);
    const std::optional<PortAddress> address = PortAddress::parse(entry);
    QVERIFY(address);
    QCOMPARE(int(address->kind), kind);
    QCOMPARE(address->hostAndPort(), hostAndPort);

    FakeMachine m;
    m.writeIni(QStringLiteral("[PORTS]\nCOM1=%1\n").arg(entry).toLatin1());
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());
    const QList<DiscoveredPort> ports = map.discover();
    QCOMPARE(describe(ports), QStringList({QStringLiteral("1 %1 %1").arg(entry),
                                           QStringLiteral("2 ") + m.stableName(ftdi) +
                                               QStringLiteral(" FT232R USB UART (ttyUSB0)")}));
    QCOMPARE(fkt_ToolsFormatComPortList(ports).section(QChar(3), 0, 2),
             QStringLiteral("2\x03" "1\x03") + entry);
    const ComPortMap::Lookup found = map.pathFor(1, 0);
    QCOMPARE(found.error, QString());
    QCOMPARE(found.path, entry);
    QCOMPARE(found.mappedPath, entry);
    QCOMPARE(iniEntry(m, 1), entry);
    QCOMPARE(PortsIniFile(m.dataFolder()).entries().value(1), entry);
}

void tst_ComPortMap::missingByIdFolder()
{
    FakeMachine m;
    m.plug(QStringLiteral("ttyS4"), QString(), QString());
    const QList<DiscoveredPort> ports =
            ComPortMap(m.dataFolder(), m, m.dataFolder() + QStringLiteral("nowhere")).discover();
    QCOMPARE(describe(ports), QStringList{QStringLiteral("1 %1 %1").arg(m.node(QStringLiteral("ttyS4")))});
}

void tst_ComPortMap::longStableNameRecordedWhole()
{
    // Fixed: a value read back was cut to 254 characters, so such a name
    // was recorded as the kernel name instead; now it comes back whole and
    // keeps its number across runs.
    FakeMachine m;
    const QString longId = QStringLiteral("usb-") + QString(240, QLatin1Char('x'));
    m.plug(QStringLiteral("ttyUSB0"), longId, QStringLiteral("FT232R USB UART"));
    QVERIFY(QFileInfo(m.stableName(longId)).isSymLink());
    QVERIFY(m.stableName(longId).size() > 254);
    const QList<DiscoveredPort> first = ComPortMap(m.dataFolder(), m, m.byIdFolder()).discover();
    const QList<DiscoveredPort> second = ComPortMap(m.dataFolder(), m, m.byIdFolder()).discover();

    QCOMPARE(describe(second), describe(first));
    QCOMPARE(iniEntry(m, 1), m.stableName(longId));
    QCOMPARE(iniEntry(m, 2), QString());
}

void tst_ComPortMap::longPathNotCutToAnotherDevice_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("255 characters") << 255;
    QTest::newRow("300 characters") << 300;
    QTest::newRow("4000 characters") << 4000;
}

void tst_ComPortMap::longPathNotCutToAnotherDevice()
{
    // Fixed: the first 254 characters of a longer path named the decoy,
    // and that is what opened.
    QFETCH(int, length);
    FakeMachine m;
    const QString folder = m.plainFile(QStringLiteral("d")).chopped(1);
    QFile::remove(folder + QLatin1Char('d'));
    const QString decoy = m.plainFile(QString(254 - folder.size(), QLatin1Char('y')));
    QCOMPARE(decoy.size(), 254);
    const QString written = decoy + QString(length - 254, QLatin1Char('z'));
    m.writeIni("[PORTS]\nCOM1=" + written.toLocal8Bit() + "\n");
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());

    const ComPortMap::Lookup found = map.pathFor(1, 1);
    QCOMPARE(found.path, QString());
    QVERIFY2(found.error.contains(quotedValue(written)), qPrintable(found.error));
    QCOMPARE(iniEntry(m, 1), written);
}

void tst_ComPortMap::unwritableDataFolder()
{
    FakeMachine m;
    m.plug(QStringLiteral("ttyUSB0"), ftdi, QStringLiteral("FT232R USB UART"));
    m.plug(QStringLiteral("ttyUSB1"), prolific, QString());
    // A data folder that does not exist cannot take Ports.ini.
    ComPortMap map(m.dataFolder() + QStringLiteral("missing/"), m, m.byIdFolder());

    QCOMPARE(numberOf(map.discover(), m.stableName(prolific)), 2);
    QCOMPARE(map.pathFor(2, 1).path, m.node(QStringLiteral("ttyUSB1")));
    QVERIFY(!QFileInfo::exists(m.dataFolder() + QStringLiteral("missing")));
}

void tst_ComPortMap::unwritablePathLeavesTheFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("file"); // Ports.ini before
    QTest::newRow("a line feed inside") << "/dev/a\nb" << QByteArray("[PORTS]\nCOM2=/dev/x\n");
    QTest::newRow("a CR at the end") << "/dev/a\r" << QByteArray("[PORTS]\nCOM2=/dev/x\n");
    QTest::newRow("a CR at the end, Windows-1252 file")
        << "/dev/a\r" << QByteArray("[PORTS]\nCOM2=/dev/\xE4\n");
    QTest::newRow("half of a surrogate pair")
        << QStringLiteral("/dev/") + QChar(0xD800) << QByteArray("[PORTS]\nCOM2=/dev/x\n");
}

// A path the file cannot give back is not recorded, and the file stays as
// it was.
void tst_ComPortMap::unwritablePathLeavesTheFile()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, file);
    FakeMachine m;
    m.writeIni(file);
    const PortsIniFile ports(m.dataFolder());
    QVERIFY(!ports.setEntry(1, path));
    QCOMPARE(m.readIni(), file);
    QVERIFY(ports.setEntry(1, QStringLiteral("/dev/ttyS0")));
    QCOMPARE(ports.entry(1), QStringLiteral("/dev/ttyS0"));
}

void tst_ComPortMap::handEditedEncodings_data()
{
    QTest::addColumn<QString>("name");   // of the device, which the entry names
    QTest::addColumn<QByteArray>("ini"); // $ for the device's path as the file spells it
    QTest::addColumn<bool>("utf8");      // the file spells it in UTF-8, else in Windows-1252
    QTest::addColumn<bool>("found");
    // Fixed: a UTF-8 file was read as Windows-1252, so these named other paths.
    QTest::newRow("UTF-8, an umlaut")
        << "Überträger" << QByteArray("[PORTS]\nCOM1=$\n") << true << true;
    QTest::newRow("UTF-8, Polish")
        << "łącze-żółw" << QByteArray("[PORTS]\nCOM1=$\n") << true << true;
    QTest::newRow("UTF-8, Cyrillic")
        << "Порт" << QByteArray("[PORTS]\r\nCOM1=$\r\n") << true << true;
    QTest::newRow("UTF-8 with a byte-order mark")
        << "Überträger" << QByteArray("\xEF\xBB\xBF[PORTS]\nCOM1=$\n") << true << true;
    QTest::newRow("UTF-8 with a comment in UTF-8")
        << "Überträger" << QByteArray("; Gerät im Labor\n[PORTS]\nCOM1=$\n") << true << true;
    QTest::newRow("Windows-1252 as before")
        << "Überträger" << QByteArray("[PORTS]\nCOM1=$\n") << false << true;
    QTest::newRow("Windows-1252, a comment too")
        << "Überträger" << QByteArray("; Ger\xE4t\n[PORTS]\nCOM1=$\n") << false << true;
    // A CR inside a line belongs to the value; only a line's end is not kept.
    QTest::newRow("a CR inside the path")
        << "tty\rX" << QByteArray("[PORTS]\nCOM1=$\n") << true << true;
    // One byte that is no UTF-8 makes the whole file Windows-1252.
    QTest::newRow("UTF-8 path, a Windows-1252 comment")
        << "Überträger" << QByteArray("; Ger\xE4t\n[PORTS]\nCOM1=$\n") << true << false;
}

// Ports.ini is read as UTF-8 when it is valid UTF-8, else as Windows-1252.
void tst_ComPortMap::handEditedEncodings()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, ini);
    QFETCH(bool, utf8);
    QFETCH(bool, found);
    FakeMachine m;
    const QString device = m.plainFile(name);
    QVERIFY(QFileInfo::exists(device));
    const QByteArray spelt = utf8 ? device.toUtf8() : *Codec::toBytes(device);
    m.writeIni(ini.replace('$', spelt));
    ComPortMap map(m.dataFolder(), m, m.byIdFolder());
    const ComPortMap::Lookup lookup = map.pathFor(1, 1);
    QCOMPARE(lookup.path, found ? device : QString());
    QCOMPARE(PortsIniFile(m.dataFolder()).entries().value(1) == device, found);
    QCOMPARE(describe(map.discover()),
             found ? QStringList{QStringLiteral("1 %1 %1").arg(device)} : QStringList());
}

void tst_ComPortMap::recordedNamesKeepTheFileEncoding_data()
{
    QTest::addColumn<QString>("id");        // the by-id name of the device plugged in
    QTest::addColumn<QByteArray>("before"); // Ports.ini
    // The file after the device was recorded; $ for the by-id folder and '/'.
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("ASCII into an empty file")
        << "usb-FTDI-if00" << QByteArray() << QByteArray("[PORTS]\r\nCOM1=$usb-FTDI-if00\r\n");
    // Fixed: the name went in as Windows-1252, which editors show garbled.
    QTest::newRow("an umlaut into an ASCII file")
        << "usb-Überträger-if00" << QByteArray("[PORTS]\n")
        << QByteArray("[PORTS]\nCOM1=$usb-\xC3\x9C"
                      "bertr\xC3\xA4ger-if00\n");
    // Fixed: a name without Windows-1252 bytes was not recorded at all, so
    // the device got the kernel's name, which the next device may take.
    QTest::newRow("Polish into a UTF-8 file")
        << "usb-łącze-if00" << QByteArray("; Gerät\n[PORTS]\n")
        << QByteArray("; Ger\xC3\xA4t\n[PORTS]\nCOM1=$usb-\xC5\x82\xC4\x85"
                      "cze-if00\n");
    QTest::newRow("an umlaut into a Windows-1252 file stays Windows-1252")
        << "usb-Überträger-if00" << QByteArray("; Ger\xE4t\n[PORTS]\n")
        << QByteArray("; Ger\xE4t\n[PORTS]\nCOM1=$usb-\xDC"
                      "bertr\xE4ger-if00\n");
    QTest::newRow("Polish into a Windows-1252 file turns it into UTF-8")
        << "usb-łącze-if00" << QByteArray("\xEF\xBB\xBF; Ger\xE4t \x80\n[PORTS]\nCOM9=/dev/\xE4\n")
        << QByteArray("\xEF\xBB\xBF; Ger\xC3\xA4t \xE2\x82\xAC\n[PORTS]\nCOM9=/dev/\xC3\xA4\n"
                      "COM1=$usb-\xC5\x82\xC4\x85"
                      "cze-if00\n");
    // Without the unusable COM3 line the file would pass for UTF-8, and COM2
    // would name /dev/é instead of /dev/Ã©; the line stays as it is.
    QTest::newRow("a Windows-1252 file that would pass for UTF-8 without a line")
        << "usb-FTDI-if00" << QByteArray("[PORTS]\nCOM3=rel\xE9\nCOM2=/dev/\xC3\xA9\n")
        << QByteArray("[PORTS]\nCOM3=rel\xE9\nCOM2=/dev/\xC3\xA9\nCOM1=$usb-FTDI-if00\n");
}

// A device's by-id name goes into Ports.ini in the file's own encoding, and
// the device keeps its number at the next run.
void tst_ComPortMap::recordedNamesKeepTheFileEncoding()
{
    QFETCH(QString, id);
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, after);
    FakeMachine m;
    if (!before.isEmpty())
        m.writeIni(before);
    m.plug(QStringLiteral("ttyUSB0"), id, QStringLiteral("FT232R USB UART"));
    const QString expected =
        QStringLiteral("1 ") + m.stableName(id) + QStringLiteral(" FT232R USB UART (ttyUSB0)");
    QCOMPARE(describe(ComPortMap(m.dataFolder(), m, m.byIdFolder()).discover()).value(0), expected);
    QCOMPARE(m.readIni(), after.replace('$', QByteArray(m.byIdFolder().toUtf8() + '/')));
    QCOMPARE(describe(ComPortMap(m.dataFolder(), m, m.byIdFolder()).discover()).value(0), expected);
    QCOMPARE(m.readIni(), after);
    QCOMPARE(ComPortMap(m.dataFolder(), m, m.byIdFolder()).pathFor(1, 1).path,
             m.node(QStringLiteral("ttyUSB0")));
    if (before.contains("COM2"))
        QCOMPARE(PortsIniFile(m.dataFolder()).entry(2), QStringLiteral("/dev/\u00C3\u00A9"));
}

QTEST_GUILESS_MAIN(tst_ComPortMap)
#include "tst_comportmap.moc"
