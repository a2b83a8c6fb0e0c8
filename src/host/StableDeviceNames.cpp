#include "host/StableDeviceNames.h"

#include <QDir>
#include <QFileInfo>

QHash<QString, QString> scanStableDeviceNames(const QString &byIdFolder)
{
    QHash<QString, QString> byDevice;
    if (byIdFolder.isEmpty())
        return byDevice;
    // Device nodes count as System entries; dangling links show up there too
    // and fall out below because they have no canonical path.
    const QFileInfoList links = QDir(byIdFolder).entryInfoList(
            QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &link : links) {
        if (!link.isSymLink())
            continue;
        const QString device = link.canonicalFilePath();
        if (!device.isEmpty() && !byDevice.contains(device))
            byDevice.insert(device, link.absoluteFilePath());
    }
    return byDevice;
}
