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

// A line found in what was read before needs no look at the line: a stream
// of short lines is taken without a system call for each.
QString BackloggedPort::inputLine(QByteArrayView lineEnd)
{
    QString line = m_backlog.takeLine(lineEnd);
    if (line.isEmpty()) {
        refill();
        line = m_backlog.takeLine(lineEnd);
    }
    if (!line.isEmpty())
        updateWatching();
    return line;
}

void BackloggedPort::setArrivalWatch(bool on)
{
    m_watchArrivals = on;
    updateWatching();
}
