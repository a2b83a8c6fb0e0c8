#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Whole-file reading and replacing for the program's small text files.
namespace WholeFile {

// Every byte of the regular file at path, or nothing when it is missing,
// not a regular file (a device or pipe would block), unreadable or larger
// than maxSize.
std::optional<QByteArray> read(const QString &path, qint64 maxSize);

// The first maxSize bytes at most of the regular file at path, with *whole
// telling whether that is all of it; nothing as read() gives nothing, except
// for the size.
std::optional<QByteArray> readStart(const QString &path, qint64 maxSize, bool *whole);

// Replaces (or creates) the file at path with bytes. The new content goes
// to a temporary file beside it, which takes the old file's place, with the
// old file's permissions, only once it is complete; on any failure the old
// file stays as it was and false is returned, with the errno of the failure
// in *error when error is given (0 on success).
bool replace(const QString &path, const QByteArray &bytes, int *error = nullptr);

} // namespace WholeFile
