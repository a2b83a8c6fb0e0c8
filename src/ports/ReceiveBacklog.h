#pragma once

#include "ports/ByteQueue.h"
#include "ports/SerialPortControl.h"

#include <QString>

#include <functional>

// What a port has received and not yet handed out, with the serial control's
// rules for handing it out: InBufferCount shows at most the buffer's size,
// Input takes InputLen characters when that is set (else up to the buffer's
// size). Reading from the line pauses while the backlog holds its cap, so a
// flood waits at the device instead of being dropped.
class ReceiveBacklog {
public:
    // Both throw PortError(InvalidValue) for a size below 1 or a negative
    // length, described in the language given (0 German, else English).
    void setInBufferSize(qint16 size, quint8 language = 1);
    void setInputLen(qint16 len, quint8 language = 1);
    void setCap(qsizetype bytes) { m_cap = std::max<qsizetype>(bytes, 1); }

    qint16 inBufferSize() const { return m_inBufferSize; }
    // InBufferCount: what waits, counted up to the buffer's size.
    qint16 count() const { return qint16(std::min<qsizetype>(m_bytes.size(), m_inBufferSize)); }
    // Input: the characters it hands out at once, removed.
    QString takeInput();
    // The characters up to and including the first lineEnd among those
    // takeInput would hand out, removed; empty when there is none.
    QString takeLine(QByteArrayView lineEnd);

    // Every append is shown to the tap first (see SerialPortControl::setReceiveTap).
    void setTap(std::function<void(QByteArrayView bytes)> tap) { m_tap = std::move(tap); }
    void append(const char *data, qsizetype size)
    {
        if (m_tap && size > 0)
            m_tap(QByteArrayView(data, size));
        m_bytes.append(data, size);
    }
    qsizetype size() const { return m_bytes.size(); }
    bool isEmpty() const { return m_bytes.isEmpty(); }
    bool full() const { return m_bytes.size() >= m_cap; }
    // Bytes it takes before it is full.
    qsizetype room() const { return std::max<qsizetype>(m_cap - m_bytes.size(), 0); }
    void clear() { m_bytes.clear(); }

private:
    qsizetype inputLimit() const;

    ByteQueue m_bytes;
    qint16 m_inBufferSize = 1024;
    qint16 m_inputLen = 0;
    qsizetype m_cap = kReceiveBacklogCap;
    std::function<void(QByteArrayView bytes)> m_tap;
};
