#include "host/PortsIniFile.h"

#include "app/IniProfile.h"
#include "host/PortAddress.h"
#include "text/Codec.h"

namespace {

const QString section = QStringLiteral("PORTS");

QString keyOf(int comNumber)
{
    return QStringLiteral("COM") + QString::number(comNumber);
}

// n of a key "COMn" (any case, n as keyOf writes it), or 0.
int numberOfKey(const QString &key)
{
    if (!key.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
        return 0;
    bool ok = false;
    const int n = key.mid(3).toInt(&ok);
    return ok && key.compare(keyOf(n), Qt::CaseInsensitive) == 0 ? n : 0;
}

} // namespace

PortsIniFile::PortsIniFile(const QString &dataFolder)
    : m_filePath(dataFolder + QStringLiteral("Ports.ini"))
{
}

bool PortsIniFile::isUsableNumber(int comNumber)
{
    return comNumber >= 1 && comNumber <= MaxComNumber;
}

bool PortsIniFile::isUsablePath(const QString &devicePath)
{
    // The file carries one byte per character; a path the codec cannot
    // carry would come back as another path. Values are read whole, so a
    // path of any length comes back as it was written.
    const bool named = devicePath.startsWith(QLatin1Char('/')) || PortAddress::parse(devicePath);
    return named && devicePath.trimmed() == devicePath
           && Codec::toBytes(devicePath).has_value();
}

QString PortsIniFile::entry(int comNumber) const
{
    if (!isUsableNumber(comNumber))
        return {};
    // Not trimmed here: the reader already drops the blanks around a value,
    // and anything else at its ends (a vertical tab, a no-break space) is
    // part of what the file names, so such an entry is unusable rather
    // than a shorter path to another device.
    const QString value =
            IniProfile::GetPrivateProfileString(section, keyOf(comNumber), QString(), m_filePath);
    return isUsablePath(value) ? value : QString();
}

QMap<int, QString> PortsIniFile::entries() const
{
    // One read of the file, however many keys a hand-edited file holds.
    QMap<int, QString> result;
    for (const auto &[key, value] : IniProfile::GetPrivateProfileSection(section, m_filePath)) {
        const int n = numberOfKey(key);
        if (isUsableNumber(n) && isUsablePath(value))
            result.insert(n, value);
    }
    return result;
}

bool PortsIniFile::setEntry(int comNumber, const QString &devicePath) const
{
    if (!isUsableNumber(comNumber) || !isUsablePath(devicePath))
        return false;
    IniProfile::WritePrivateProfileString(section, keyOf(comNumber), devicePath, m_filePath);
    return entry(comNumber) == devicePath;
}
