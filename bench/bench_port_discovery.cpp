// Prints how long the port discovery and a COM number lookup take with a
// Ports.ini of many entries. Each looks up every possible COM key in the
// file, so this is the figure to watch when the INI reader changes.
#include "host/ComPortList.h"
#include "host/ComPortMap.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

class FixedDevices : public SerialDeviceSource {
public:
    QList<SerialDevice> list;
    QList<SerialDevice> devices() const override { return list; }
};

template <typename F> double millisecondsPerRun(int runs, F &&f)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        f();
    return double(timer.nsecsElapsed()) / 1e6 / runs;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    const QString dev = root.filePath(QStringLiteral("dev"));
    const QString byId = root.filePath(QStringLiteral("by-id"));
    QDir().mkpath(dev);
    QDir().mkpath(byId);

    const int deviceCount = argc > 1 ? QByteArray(argv[1]).toInt() : 20;
    FixedDevices source;
    for (int i = 0; i < deviceCount; ++i) {
        const QString node = dev + QStringLiteral("/ttyUSB%1").arg(i);
        QFile(node).open(QIODevice::WriteOnly);
        QFile::link(node, byId + QStringLiteral("/usb-Maker_Model_%1-if00-port0").arg(i));
        source.list.append({node, QStringLiteral("USB Serial %1").arg(i), QString()});
    }

    ComPortMap map(root.path() + QLatin1Char('/'), source, byId);
    const double first = millisecondsPerRun(1, [&] { map.discover(); });
    const double again = millisecondsPerRun(20, [&] { fkt_ToolsGetComPortList(map); });
    const double lookup = millisecondsPerRun(20, [&] { map.pathFor(1, 1); });
    const double missing = millisecondsPerRun(20, [&] { map.pathFor(deviceCount + 1, 1); });

    std::printf("devices: %d\n", deviceCount);
    std::printf("first discovery (numbers recorded): %.2f ms\n", first);
    std::printf("port list text (all numbered):      %.2f ms\n", again);
    std::printf("lookup of a numbered COM port:      %.3f ms\n", lookup);
    std::printf("lookup of an unassigned COM port:   %.2f ms\n", missing);

    // A hand-edited Ports.ini of 10 MB: the port list must still come at once.
    QTemporaryDir big;
    QFile file(big.filePath(QStringLiteral("Ports.ini")));
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    file.write("[PORTS]\r\n");
    for (int i = 0; file.size() < 10'000'000; ++i)
        file.write(QStringLiteral("COM%1=/dev/absent%2\r\n").arg(i % 300).arg(i).toLatin1());
    file.close();
    ComPortMap bigMap(big.path() + QLatin1Char('/'), source, byId);
    const double bigList = millisecondsPerRun(3, [&] { fkt_ToolsGetComPortList(bigMap); });
    std::printf("port list text, 10 MB Ports.ini:    %.1f ms\n", bigList);
    return 0;
}
