#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

class QComboBox;

// The settings dialog's port choice: a visible list of "COMn  -  name" entries
// and a hidden list beside it that holds, at the same index, n - 1.
namespace PortList {

// Fills both lists from a port list text (fields split by ETX: the count, then
// per port its COM number and friendly name), falls back to COM1..COM14 when
// nothing usable was found, sorts both lists by number and preselects the
// entry for ComPort.
void FillPortList(const QString &portListText, QComboBox *cboPcPort, QComboBox *cboPcPortTemp,
                  quint8 ComPort);

// The number the hidden list holds at index, or nothing when there is none.
std::optional<qint64> numberAt(const QComboBox *cboPcPortTemp, int index);

} // namespace PortList
