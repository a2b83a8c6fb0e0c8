#include "app/WholeFile.h"

#include "app/ReplacingFile.h"

#include <QFile>
#include <QFileInfo>

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

bool replace(const QString &path, const QByteArray &bytes, int *error)
{
    ReplacingFile file(path);
    const bool replaced = file.open() && file.write(bytes) && file.commit();
    if (error)
        *error = file.error();
    return replaced;
}

} // namespace WholeFile
