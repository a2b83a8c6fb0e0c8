#pragma once

#include "host/ComPortMap.h"

#include <QList>
#include <QString>

// The port list text the settings dialog fills its port list from: fields
// separated by the character with code 3, first the number of ports, then
// per port its COM number and its friendly name; "0" when there is none.
QString fkt_ToolsFormatComPortList(const QList<DiscoveredPort> &ports);

// Runs the discovery of the given map and returns its port list text, ports
// by ascending COM number.
QString fkt_ToolsGetComPortList(ComPortMap &ports);
