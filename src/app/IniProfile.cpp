#include "app/IniProfile.h"

#include "app/IniText.h"
#include "text/Codec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// The whole file, or nothing when it is missing, not a regular file,
// unreadable or too large.
std::optional<QByteArray> readWholeFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(IniProfile::kMaxFileSize + 1);
    if (bytes.size() > IniProfile::kMaxFileSize || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

bool hasLineEnd(const QString &text)
{
    return text.contains(QLatin1Char('\r')) || text.contains(QLatin1Char('\n'));
}

bool isWritableSection(const QString &section)
{
    const QString name = section.trimmed();
    return !name.isEmpty() && name == section && !hasLineEnd(name) &&
           !name.contains(QLatin1Char(']'));
}

bool isWritableKey(const QString &key)
{
    const QString name = key.trimmed();
    if (name.isEmpty() || name != key || hasLineEnd(name) || name.contains(QLatin1Char('=')))
        return false;
    const QChar first = name.front();
    return first != QLatin1Char('[') && first != QLatin1Char(';') && first != QLatin1Char('#');
}

bool replaceFile(const QString &path, const QByteArray &bytes)
{
    // Unbuffered, because a buffered QSaveFile takes a short write (disk full,
    // file size limit) for success and commits a truncated file. An
    // uncommitted QSaveFile removes its temporary file and leaves the old one.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

} // namespace

namespace IniProfile {

QString GetPrivateProfileString(const QString &section, const QString &key,
                                const QString &defaultValue, const QString &path)
{
    const auto sectionBytes = Codec::toBytes(section);
    const auto keyBytes = Codec::toBytes(key);
    const auto file = readWholeFile(path);
    if (!sectionBytes || !keyBytes || !file)
        return defaultValue.left(kMaxValueLength);
    const auto value = IniText::findValue(*file, sectionBytes->trimmed(), keyBytes->trimmed());
    if (!value)
        return defaultValue.left(kMaxValueLength);
    return Codec::toText(QByteArrayView(*value).first(qMin(value->size(), kMaxValueLength)));
}

bool WritePrivateProfileString(const QString &section, const QString &key, const QString &value,
                               const QString &path)
{
    if (!isWritableSection(section) || !isWritableKey(key) || hasLineEnd(value))
        return false;
    const auto sectionBytes = Codec::toBytes(section);
    const auto keyBytes = Codec::toBytes(key);
    const auto valueBytes = Codec::toBytes(value);
    if (!sectionBytes || !keyBytes || !valueBytes)
        return false;

    QByteArray old;
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        // Never replace what could not be read: its content would be lost.
        const auto existing = readWholeFile(path);
        if (!existing)
            return false;
        old = *existing;
    }
    const QByteArray updated =
        IniText::withValue(old, *sectionBytes, *keyBytes, IniText::quotedIfNeeded(*valueBytes));
    return replaceFile(path, updated);
}

} // namespace IniProfile
