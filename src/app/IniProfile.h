#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Reading and writing single keys of INI files, the one way the program's
// settings and command files are accessed. The line rules are those of
// IniText; file bytes become text through Codec, so every byte round-trips.
//
// A file larger than kMaxFileSize, or a path that is not a regular file,
// reads as missing and is never written: nothing sensible is that large, and
// a device or pipe must not hang the program. Values are read whole, however
// long: the size limit of the file is their only bound, so what was written
// comes back unchanged.
namespace IniProfile {

inline constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;

// Value of key in section, or defaultValue when the file, section or key is
// missing.
QString GetPrivateProfileString(const QString &section, const QString &key,
                                const QString &defaultValue, const QString &path);

// The rules of GetPrivateProfileString (above) and WritePrivateProfileString
// (below) on the bytes of a whole file, without any file access.
// valueIn: the value GetPrivateProfileString reads from a file of these
// bytes. withValue: the bytes WritePrivateProfileString leaves in such a
// file, or nothing when it refuses the write.
QString valueIn(QByteArrayView file, const QString &section, const QString &key,
                const QString &defaultValue);
std::optional<QByteArray> withValue(QByteArrayView file, const QString &section,
                                    const QString &key, const QString &value);

using KeyValues = QList<std::pair<QString, QString>>;

// Every key of section with its value, read with one look at the file;
// empty when the file or section is missing.
KeyValues GetPrivateProfileSection(const QString &section, const QString &path);

// Writes key=value; true on success. The file is replaced as a whole once the
// new content is complete, keeping its permissions; on failure it is left as
// it was. A missing file is created. The value is written in quotes when the
// reader would otherwise not give it back unchanged. Refused (false): a value
// with CR or LF (it cannot stay on one line), names that cannot be written
// (empty, containing a line end, '=' in a key, ']' in a section, a key that
// would read as a section or comment) and names with characters without a
// byte. In a value such a character is written as '?', as an 8-bit profile
// writer does, so that the rest of a changed value is not lost.
bool WritePrivateProfileString(const QString &section, const QString &key,
                               const QString &value, const QString &path);

// Writes each key=value in the given order, with the same result in the file
// as one WritePrivateProfileString per key, but replaces the file only once:
// one durable replacement instead of one per key, and the keys land together
// or not at all. A key that cannot be written is passed over; true when every
// key was written. On false, *error (when given) says why as an errno value:
// the file's own failure (unreadable, a folder, disk full, ...), or EINVAL
// when a key was refused.
bool WritePrivateProfileStrings(const QString &section, const KeyValues &keyValues,
                                const QString &path, int *error = nullptr);

} // namespace IniProfile
