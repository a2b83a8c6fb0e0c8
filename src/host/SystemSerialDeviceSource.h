#pragma once

#include "host/SerialDeviceSource.h"

// The serial devices this machine has right now, as the serial port library
// enumerates them (udev or sysfs).
class SystemSerialDeviceSource : public SerialDeviceSource {
public:
    QList<SerialDevice> devices() const override;
};
