#pragma once

#include <QHash>
#include <QString>

// The names under which the system links each serial device by its maker,
// model and serial number (the by-id folder). They survive replugging and a
// change of the kernel name, so they are the names worth remembering.
//
// Returns, for every link that leads to an existing device, the device's
// canonical path mapped to the link's own absolute path. Where several links
// lead to one device, the first in name order wins, so the choice does not
// change between runs. A missing folder gives an empty table.
QHash<QString, QString> scanStableDeviceNames(const QString &byIdFolder);
