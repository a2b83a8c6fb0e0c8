#include "app/IniProfile.h"

#include "app/IniText.h"
#include "app/WholeFile.h"
#include "text/Codec.h"

#include <QFileInfo>

namespace {

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

// The bytes of the file at path; empty for a missing file, nothing when
// something is there that cannot be read, as replacing it would lose its
// content.
std::optional<QByteArray> existingContent(const QString &path)
{
    if (!QFileInfo::exists(path) && !QFileInfo(path).isSymLink())
        return QByteArray();
    return WholeFile::read(path, IniProfile::kMaxFileSize);
}

} // namespace

namespace IniProfile {

QString valueIn(QByteArrayView file, const QString &section, const QString &key,
                const QString &defaultValue)
{
    const auto sectionBytes = Codec::toBytes(section);
    const auto keyBytes = Codec::toBytes(key);
    if (!sectionBytes || !keyBytes)
        return defaultValue;
    const auto value = IniText::findValue(file, sectionBytes->trimmed(), keyBytes->trimmed());
    return value ? Codec::toText(*value) : defaultValue;
}

std::optional<QByteArray> withValue(QByteArrayView file, const QString &section,
                                    const QString &key, const QString &value)
{
    if (!isWritableSection(section) || !isWritableKey(key) || hasLineEnd(value))
        return std::nullopt;
    const auto sectionBytes = Codec::toBytes(section);
    const auto keyBytes = Codec::toBytes(key);
    if (!sectionBytes || !keyBytes)
        return std::nullopt;
    return IniText::withValue(file, *sectionBytes, *keyBytes,
                              IniText::quotedIfNeeded(Codec::toBytesReplacing(value, '?')));
}

QString GetPrivateProfileString(const QString &section, const QString &key,
                                const QString &defaultValue, const QString &path)
{
    const auto file = WholeFile::read(path, kMaxFileSize);
    return file ? valueIn(*file, section, key, defaultValue) : defaultValue;
}

KeyValues GetPrivateProfileSection(const QString &section, const QString &path)
{
    KeyValues values;
    const auto sectionBytes = Codec::toBytes(section);
    const auto file = WholeFile::read(path, kMaxFileSize);
    if (!sectionBytes || !file)
        return values;
    for (const auto &[key, value] : IniText::sectionValues(*file, sectionBytes->trimmed()))
        values.append({Codec::toText(key), Codec::toText(value)});
    return values;
}

bool WritePrivateProfileString(const QString &section, const QString &key, const QString &value,
                               const QString &path)
{
    return WritePrivateProfileStrings(section, {{key, value}}, path);
}

bool WritePrivateProfileStrings(const QString &section, const KeyValues &keyValues,
                                const QString &path)
{
    const auto old = existingContent(path);
    if (!old)
        return false;
    QByteArray updated = *old;
    qsizetype applied = 0;
    for (const auto &[key, value] : keyValues) {
        if (auto next = withValue(updated, section, key, value)) {
            updated = std::move(*next);
            ++applied;
        }
    }
    if (applied == 0)
        return keyValues.isEmpty(); // the file is left untouched, or not created
    return WholeFile::replace(path, updated) && applied == keyValues.size();
}

} // namespace IniProfile
