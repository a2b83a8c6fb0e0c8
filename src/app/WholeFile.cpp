#include "app/WholeFile.h"

#include "app/ReplacingFile.h"

#include <QFile>
#include <QFileInfo>

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

bool replace(const QString &path, const QByteArray &bytes, int *error)
{
    ReplacingFile file(path);
    const bool replaced = file.open() && file.write(bytes) && file.commit();
    if (error)
        *error = file.error();
    return replaced;
}

} // namespace WholeFile
