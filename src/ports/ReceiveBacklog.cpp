#include "ports/ReceiveBacklog.h"

#include "ports/PortErrors.h"
#include "text/Codec.h"

void ReceiveBacklog::setInBufferSize(qint16 size)
{
    if (size < 1)
        throw PortError(PortErrors::InvalidValue,
                        QStringLiteral("invalid receive buffer size %1").arg(size));
    m_inBufferSize = size;
}

void ReceiveBacklog::setInputLen(qint16 len)
{
    if (len < 0)
        throw PortError(PortErrors::InvalidValue, QStringLiteral("invalid input length %1").arg(len));
    m_inputLen = len;
}

QString ReceiveBacklog::takeInput()
{
    const qsizetype limit =
        m_inputLen > 0 ? std::min(m_inputLen, m_inBufferSize) : m_inBufferSize;
    return Codec::toText(m_bytes.take(std::min(m_bytes.size(), limit)));
}
