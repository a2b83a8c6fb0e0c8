#include "app/IniProfile.h"

#include "app/IniText.h"
#include "app/WholeFile.h"
#include "text/Codec.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Why the file at path could not be read as a whole, as an errno value.
int readFailure(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode))
        return EISDIR;
    if (!S_ISREG(st.st_mode))
        return EINVAL; // a device or pipe is never read
    if (st.st_size > IniProfile::kMaxFileSize)
        return EFBIG;
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    ::close(fd);
    return EIO;
}

// Writes every key it can with one replacement of the file: 0 when all were
// written, else why not as an errno value.
int writeKeys(const QString &section, const IniProfile::KeyValues &keyValues, const QString &path)
{
    const auto old = existingContent(path);
    if (!old)
        return readFailure(path);
    QByteArray updated = *old;
    qsizetype applied = 0;
    for (const auto &[key, value] : keyValues) {
        if (auto next = IniProfile::withValue(updated, section, key, value)) {
            updated = std::move(*next);
            ++applied;
        }
    }
    if (applied == 0) // the file is left untouched, or not created
        return keyValues.isEmpty() ? 0 : EINVAL;
    int replaceFailure = 0;
    if (!WholeFile::replace(path, updated, &replaceFailure))
        return replaceFailure;
    return applied == keyValues.size() ? 0 : EINVAL;
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
                                const QString &path, int *error)
{
    const int failure = writeKeys(section, keyValues, path);
    if (error)
        *error = failure;
    return failure == 0;
}

} // namespace IniProfile
