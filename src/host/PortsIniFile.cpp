#include "host/PortsIniFile.h"

#include "app/IniProfile.h"
#include "app/IniText.h"
#include "app/WholeFile.h"
#include "host/PortAddress.h"
#include "host/PortsIniText.h"
#include "text/Utf8.h"

#include <QFileInfo>

namespace {

constexpr QByteArrayView kSection("PORTS");

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

// The bytes of the file; empty for a missing file, nothing when something
// is there that cannot be read.
std::optional<QByteArray> existingContent(const QString &path)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return QByteArray();
    return WholeFile::read(path, IniProfile::kMaxFileSize);
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
    // A text that is no valid UTF-16 (half of a surrogate pair) names no
    // path. Values are read whole, so a path of any length comes back as it
    // was written.
    const bool named = devicePath.startsWith(QLatin1Char('/')) || PortAddress::parse(devicePath);
    return named && devicePath.trimmed() == devicePath && Utf8::carries(devicePath);
}

QString PortsIniFile::entry(int comNumber) const
{
    // Not trimmed here: the reader already drops the blanks around a value,
    // and anything else at its ends (a vertical tab, a no-break space) is
    // part of what the file names, so such an entry is unusable rather
    // than a shorter path to another device.
    const QString value = writtenEntry(comNumber).value_or(QString());
    return isUsablePath(value) ? value : QString();
}

std::optional<QString> PortsIniFile::writtenEntry(int comNumber) const
{
    if (!isUsableNumber(comNumber))
        return std::nullopt;
    const auto file = WholeFile::read(m_filePath, IniProfile::kMaxFileSize);
    if (!file)
        return std::nullopt;
    return PortsIniText::valueIn(*file, kSection, keyOf(comNumber).toLatin1());
}

QMap<int, QString> PortsIniFile::entries() const
{
    // One read of the file, however many keys a hand-edited file holds.
    QMap<int, QString> result;
    const auto file = WholeFile::read(m_filePath, IniProfile::kMaxFileSize);
    if (!file)
        return result;
    const bool utf8 = PortsIniText::isUtf8(*file);
    for (const auto &[key, value] : IniText::sectionValues(*file, kSection)) {
        const int n = numberOfKey(PortsIniText::decode(key, utf8));
        const QString path = PortsIniText::decode(value, utf8);
        if (isUsableNumber(n) && isUsablePath(path))
            result.insert(n, path);
    }
    return result;
}

bool PortsIniFile::setEntry(int comNumber, const QString &devicePath) const
{
    if (!isUsableNumber(comNumber) || !isUsablePath(devicePath))
        return false;
    // A file that is there but cannot be read is not replaced: its
    // entries would be lost.
    const auto old = existingContent(m_filePath);
    if (!old)
        return false;
    const auto updated =
        PortsIniText::withValue(*old, kSection, keyOf(comNumber).toLatin1(), devicePath);
    if (!updated || !WholeFile::replace(m_filePath, *updated))
        return false;
    return entry(comNumber) == devicePath;
}
