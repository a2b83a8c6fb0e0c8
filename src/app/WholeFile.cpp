#include "app/WholeFile.h"

#include "app/ReplacingFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace WholeFile {

std::optional<QByteArray> read(const QString &path, qint64 maxSize)
{
    // A larger file is refused before a byte of it is read.
    if (QFileInfo(path).size() > maxSize)
        return std::nullopt;
    bool whole = false;
    std::optional<QByteArray> bytes = readStart(path, maxSize, &whole);
    return whole ? bytes : std::nullopt;
}

std::optional<QByteArray> readStart(const QString &path, qint64 maxSize, bool *whole)
{
    *whole = false;
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read by the file's size, so that a small file costs a small buffer.
    // A file that grew since its size was taken (or reports none) is read on
    // in steps, never past one byte over the limit, which tells that there
    // is more.
    const qint64 limit = maxSize + 1;
    QByteArray bytes(std::min(file.size(), limit), Qt::Uninitialized);
    const qint64 got = file.read(bytes.data(), bytes.size());
    if (got < 0)
        return std::nullopt;
    bytes.truncate(got);
    char step[4096];
    while (bytes.size() < limit) {
        const qint64 n = file.read(step, std::min(qint64(sizeof step), limit - bytes.size()));
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        bytes.append(step, n);
    }
    *whole = bytes.size() <= maxSize;
    bytes.truncate(maxSize);
    return bytes;
}

bool replace(const QString &path, const QByteArray &bytes, int *error)
{
    ReplacingFile file(path);
    const bool replaced = file.open() && file.write(bytes) && file.commit();
    if (error)
        *error = file.error();
    return replaced;
}

} // namespace WholeFile
