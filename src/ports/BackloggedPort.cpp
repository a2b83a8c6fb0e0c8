#include "ports/BackloggedPort.h"

qint16 BackloggedPort::InBufferCount()
{
    refill();
    return m_backlog.count();
}

QString BackloggedPort::Input()
{
    refill();
    const QString text = m_backlog.takeInput();
    updateWatching(); // a full backlog may have room again
    return text;
}

void BackloggedPort::setArrivalWatch(bool on)
{
    m_watchArrivals = on;
    updateWatching();
}
