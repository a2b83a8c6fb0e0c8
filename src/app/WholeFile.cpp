#include "app/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace WholeFile {

std::optional<QByteArray> read(const QString &path, qint64 maxSize)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read by the file's size, so that a small file costs a small buffer.
    // A file that grew since its size was taken (or reports none) is read on
    // in steps, never past one byte over the limit.
    const qint64 size = file.size();
    if (size > maxSize)
        return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    const qint64 got = file.read(bytes.data(), size);
    if (got < 0)
        return std::nullopt;
    bytes.truncate(got);
    char step[4096];
    while (bytes.size() <= maxSize) {
        const qint64 n = file.read(step, std::min(qint64(sizeof step), maxSize + 1 - bytes.size()));
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        bytes.append(step, n);
    }
    if (bytes.size() > maxSize)
        return std::nullopt;
    return bytes;
}

bool replace(const QString &path, const QByteArray &bytes)
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

} // namespace WholeFile
