#include "host/SystemSerialDeviceSource.h"

#include <QSerialPortInfo>

QList<SerialDevice> SystemSerialDeviceSource::devices() const
{
    QList<SerialDevice> result;
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        result.append({info.systemLocation(), info.description(), info.serialNumber()});
    return result;
}
