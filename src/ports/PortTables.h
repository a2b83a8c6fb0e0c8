#pragma once

#include <QString>
#include <QtGlobal>

// The meaning of the port fields of the settings record.
namespace PortTables {

// "300" ... "921600"; "9600" for an index outside the table.
QString baudText(quint8 baudrateIndex);
// The rate of a typed value (BaudrateValue) where it is not 0, else the
// table's entry.
QString baudText(quint8 baudrateIndex, qint32 baudValue);

// ",N,8,1" ... ",O,8,1"; ",N,8,1" for an index outside the table.
QString formatText(quint8 dataformatIndex);

// "None", "XOnXoff", "RTS", "RTSXOnXOff"; empty for any other value.
QString handshakeName(quint8 handshake);

constexpr int kBaudCount = 14;
constexpr int kFormatCount = 7;
// String-table ID of the description of data format 0; format i is this + i.
constexpr qint32 kFirstFormatDescriptionId = 1514;

} // namespace PortTables
