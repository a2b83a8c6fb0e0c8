#include "host/ComPortMap.h"

#include "host/PortAddress.h"
#include "host/StableDeviceNames.h"
#include "text/QuotedValue.h"
#include "text/StringTable.h"
#include "text/modFormat.h"

#include <QFileInfo>
#include <QSet>

namespace {

// The device a path leads to, following links; empty when there is none
// (also for a URL entry, which no file stands for).
QString deviceBehind(const QString &path)
{
    if (!path.startsWith(QLatin1Char('/')))
        return {};
    const QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return {};
    return info.canonicalFilePath();
}

// The present devices that already have a number, each with the lowest
// number leading to it.
QHash<QString, int> numbersOfPresentDevices(const QMap<int, QString> &assigned)
{
    QHash<QString, int> numbers;
    for (auto it = assigned.cbegin(); it != assigned.cend(); ++it) {
        const QString device = deviceBehind(it.value());
        if (!device.isEmpty() && !numbers.contains(device))
            numbers.insert(device, it.key());
    }
    return numbers;
}

QString friendlyName(const QString &storedPath, const QString &device, const QString &description)
{
    if (description.isEmpty())
        return storedPath;
    return description + QStringLiteral(" (") + QFileInfo(device).fileName() + QLatin1Char(')');
}

constexpr qint32 kNotAssigned = 1820;
constexpr qint32 kNotPresent = 1821;
constexpr qint32 kNotSerial = 1825;
constexpr qint32 kUnusable = 2450;
constexpr qint32 kPortOutOfRange = 2451;
constexpr qint32 kPortNotNumber = 2452;
constexpr qint32 kNoPort = 2453;
constexpr qint32 kHostTooLong = 2454;
constexpr qint32 kNotHost = 2455;
constexpr qint32 kEmptyEntry = 2456;
constexpr qint32 kInvisibleAtEnds = 2457;
constexpr qint32 kNoForm = 2458;
constexpr qint32 kNoHost = 2459;

// A parameter may be a hand-edited path of megabytes.
QString text(qint32 id, quint8 language, const QStringList &params = {})
{
    QStringList quoted;
    for (const QString &param : params)
        quoted << quotedValue(param);
    return fkt_FormatInsertParam(fkt_ToolsGetResString(id, language), quoted);
}

// Why a COMn line the file holds is no entry the program can open.
QString unusableReason(const QString &value, quint8 language)
{
    if (value.isEmpty())
        return text(kEmptyEntry, language);
    if (value.trimmed() != value)
        return text(kInvisibleAtEnds, language);
    const PortAddress::Problem problem = PortAddress::problemOf(value);
    switch (problem.fault) {
    case PortAddress::Fault::NoHost:
        return text(kNoHost, language);
    case PortAddress::Fault::NoPort:
        return text(kNoPort, language);
    case PortAddress::Fault::PortNotNumber:
        return text(kPortNotNumber, language, {problem.part});
    case PortAddress::Fault::PortOutOfRange:
        return text(kPortOutOfRange, language, {problem.part});
    case PortAddress::Fault::HostTooLong:
        return text(kHostTooLong, language);
    case PortAddress::Fault::NotHost:
        return text(kNotHost, language, {problem.part});
    case PortAddress::Fault::None:
        break;
    }
    return text(kNoForm, language, {value});
}

} // namespace

ComPortMap::ComPortMap(const QString &dataFolder, const SerialDeviceSource &source,
                       const QString &byIdFolder, const QString &kernelFolder)
    : m_file(dataFolder), m_source(source), m_byIdFolder(byIdFolder), m_kernelFolder(kernelFolder)
{
}

QList<DiscoveredPort> ComPortMap::discover()
{
    QMap<int, QString> assigned = m_file.entries();
    QHash<QString, int> numbers = numbersOfPresentDevices(assigned);
    const QHash<QString, QString> stableNames = scanStableDeviceNames(m_byIdFolder);
    QHash<QString, QString> descriptions;

    const QList<SerialDevice> devices = m_source.devices();
    for (const SerialDevice &present : devices) {
        const QString device = deviceBehind(present.path);
        if (device.isEmpty())
            continue; // unplugged since it was enumerated
        if (!descriptions.contains(device))
            descriptions.insert(device, present.description);
        if (numbers.contains(device))
            continue;
        const int n = recordNewDevice(assigned, device, pathToRecord(device, stableNames));
        if (n != 0)
            numbers.insert(device, n);
    }

    // A device mapped twice by hand is listed under its first number only;
    // a URL entry is always there, named by its URL.
    QList<DiscoveredPort> ports;
    QSet<QString> listed;
    for (auto it = assigned.cbegin(); it != assigned.cend(); ++it) {
        if (PortAddress::parse(it.value())) {
            ports.append({it.key(), it.value(), it.value()});
            continue;
        }
        const QString device = deviceBehind(it.value());
        if (device.isEmpty() || listed.contains(device))
            continue;
        listed.insert(device);
        ports.append({it.key(), it.value(),
                      friendlyName(it.value(), device, descriptions.value(device))});
    }
    return ports;
}

QString ComPortMap::pathToRecord(const QString &device,
                                 const QHash<QString, QString> &stableNames) const
{
    const QString stable = stableNames.value(device);
    return PortsIniFile::isUsablePath(stable) ? stable : device;
}

int ComPortMap::recordNewDevice(QMap<int, QString> &assigned, const QString &device,
                                const QString &storedPath)
{
    if (!PortsIniFile::isUsablePath(storedPath))
        return 0;
    for (int n = 1; n <= PortsIniFile::MaxComNumber; ++n) {
        if (assigned.contains(n))
            continue;
        // Another instance may have taken the number since the file was
        // read, and a line the program cannot use keeps its number too.
        const std::optional<QString> takenMeanwhile = m_file.writtenEntry(n);
        if (takenMeanwhile) {
            assigned.insert(n, *takenMeanwhile);
            if (deviceBehind(*takenMeanwhile) == device)
                return n;
            continue;
        }
        // A failed write still leaves the number in use for this run; the
        // next run hands out the same number again as long as the
        // machine's devices are the same.
        m_file.setEntry(n, storedPath);
        assigned.insert(n, storedPath);
        return n;
    }
    return 0;
}

ComPortMap::Lookup ComPortMap::pathFor(int comNumber, quint8 language)
{
    const std::optional<QString> written = m_file.writtenEntry(comNumber);
    QString stored = written && PortsIniFile::isUsablePath(*written) ? *written : QString();
    const QString com = QString::number(comNumber);
    if (written && stored.isEmpty())
        return {QString(),
                fkt_FormatInsertParam(fkt_ToolsGetResString(kUnusable, language),
                                      {com, unusableReason(*written, language)}),
                QString(),
                {}};
    if (stored.isEmpty() && PortsIniFile::isUsableNumber(comNumber)) {
        const QList<DiscoveredPort> ports = discover();
        for (const DiscoveredPort &port : ports) {
            if (port.comNumber == comNumber)
                stored = port.path;
        }
    }
    if (stored.isEmpty())
        return {QString(), text(kNotAssigned, language, {com, m_file.filePath()}), QString(), {}};
    if (PortAddress::parse(stored)) // the port opens it by its URL
        return {stored, QString(), stored, {}};
    if (QFileInfo(stored).isDir())
        return {QString(), text(kNotSerial, language, {stored}), stored, {}};
    const QString device = deviceBehind(stored);
    if (device.isEmpty())
        return {QString(), text(kNotPresent, language, {com, stored, m_file.filePath()}), stored,
                {}};
    return {device, QString(), stored, identityOf(stored, device)};
}

QString ComPortMap::identityOf(const QString &storedPath, const QString &device) const
{
    const QFileInfo entry(storedPath);
    if (entry.isSymLink() || entry.absolutePath() != m_kernelFolder)
        return {};
    const QList<SerialDevice> devices = m_source.devices();
    for (const SerialDevice &present : devices) {
        if (deviceBehind(present.path) == device)
            return present.serialNumber;
    }
    return {};
}
