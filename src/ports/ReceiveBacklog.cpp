#include "ports/ReceiveBacklog.h"

#include "ports/PortErrors.h"
#include "ports/PortText.h"
#include "text/Codec.h"

namespace {
constexpr qint32 kInvalidBufferSize = 2018;
constexpr qint32 kInvalidInputLength = 2019;
} // namespace

void ReceiveBacklog::setInBufferSize(qint16 size, quint8 language)
{
    if (size < 1)
        throw PortError(PortErrors::InvalidValue,
                        PortText::text(language, kInvalidBufferSize, {QString::number(size)}));
    m_inBufferSize = size;
}

void ReceiveBacklog::setInputLen(qint16 len, quint8 language)
{
    if (len < 0)
        throw PortError(PortErrors::InvalidValue,
                        PortText::text(language, kInvalidInputLength, {QString::number(len)}));
    m_inputLen = len;
}

qsizetype ReceiveBacklog::inputLimit() const
{
    return m_inputLen > 0 ? std::min(m_inputLen, m_inBufferSize) : m_inBufferSize;
}

QString ReceiveBacklog::takeInput()
{
    return Codec::toText(m_bytes.take(std::min(m_bytes.size(), inputLimit())));
}

QString ReceiveBacklog::takeLine(QByteArrayView lineEnd)
{
    if (lineEnd.isEmpty())
        return {};
    const qsizetype at = m_bytes.peek(inputLimit()).indexOf(lineEnd);
    if (at < 0)
        return {};
    return Codec::toText(m_bytes.take(at + lineEnd.size()));
}
