#pragma once

#include "host/PortsIniFile.h"
#include "host/SerialDeviceSource.h"

#include <QHash>
#include <QList>
#include <QString>

// A port found by the discovery, under the COM number it keeps.
struct DiscoveredPort {
    int comNumber = 0;
    QString path;         // as recorded in Ports.ini
    QString friendlyName; // 'FT232R USB UART (ttyUSB0)', or the path (or URL)
};

// Gives the serial devices of this machine COM numbers that stay the same
// across runs and replugging. The numbers live in Ports.ini (see
// PortsIniFile); a device is recorded under its by-id name where it has one,
// so it keeps its number when the kernel names it differently next time.
class ComPortMap {
public:
    struct Lookup {
        QString path;       // the device to open; empty on failure
        QString error;      // why there is none, in the program's language; empty on success
        QString mappedPath; // COMn's entry as written in Ports.ini; empty without one
        // Tells the device apart from others that take the same name later:
        // for an entry that is a plain kernel name (the kernel gives such
        // names to whichever device comes next) the USB serial number of the
        // device, where it has one; empty for every other entry, which names
        // its device for good (a by-id name, a name the user made).
        QString identity;
    };

    ComPortMap(const QString &dataFolder, const SerialDeviceSource &source,
               const QString &byIdFolder = QStringLiteral("/dev/serial/by-id"),
               const QString &kernelFolder = QStringLiteral("/dev"));

    // Gives every present device without a number the lowest free one,
    // recording it at once, and returns the present ports (devices,
    // hand-mapped paths that exist and every URL entry) by ascending COM
    // number. Entries whose device is absent stay in the file but are not
    // listed.
    QList<DiscoveredPort> discover();

    // The device behind COMn. A number without an entry runs the discovery
    // once first, so a device plugged in since the last look can be opened.
    // A URL entry comes back as it is written, as path and mapped path.
    // The error texts come in the given language (the Language setting).
    Lookup pathFor(int comNumber, quint8 language);

private:
    int recordNewDevice(QMap<int, QString> &assigned, const QString &device,
                        const QString &storedPath);
    QString pathToRecord(const QString &device, const QHash<QString, QString> &stableNames) const;
    QString identityOf(const QString &storedPath, const QString &device) const;

    PortsIniFile m_file;
    const SerialDeviceSource &m_source;
    QString m_byIdFolder;
    QString m_kernelFolder;
};
