#include "app/WholeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace WholeFile {

std::optional<QByteArray> read(const QString &path, qint64 maxSize)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.read(maxSize + 1);
    if (bytes.size() > maxSize || file.error() != QFileDevice::NoError)
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
