#include "host/ComPortList.h"

#include "host/HostSystem.h"

namespace {

const QChar separator(0x03);

} // namespace

QString fkt_ToolsFormatComPortList(const QList<DiscoveredPort> &ports)
{
    QString text = QString::number(ports.size());
    for (const DiscoveredPort &port : ports) {
        // A separator inside a name would shift every field after it.
        QString name = port.friendlyName;
        name.replace(separator, QLatin1Char(' '));
        text += separator + QString::number(port.comNumber) + separator + name;
    }
    return text;
}

QString fkt_ToolsGetComPortList(ComPortMap &ports)
{
    if (!fkt_ToolsIsMinWin2000())
        return QStringLiteral("0");
    return fkt_ToolsFormatComPortList(ports.discover());
}
