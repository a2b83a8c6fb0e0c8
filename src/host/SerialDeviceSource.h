#pragma once

#include <QList>
#include <QString>

// One serial device the system reports as present.
struct SerialDevice {
    QString path;         // device node, such as /dev/ttyUSB0
    QString description;  // the maker's product text; may be empty
    QString serialNumber; // the USB serial number; empty without one
};

// Where the list of present serial devices comes from. The port numbering
// only asks this, so it can be run against a made-up machine.
class SerialDeviceSource {
public:
    virtual ~SerialDeviceSource();
    virtual QList<SerialDevice> devices() const = 0;
};
