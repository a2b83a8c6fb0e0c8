#include "ports/SerialPortControl.h"

#include "text/Codec.h"

PortError::PortError(qint32 number, QString description)
    : m_number(number), m_description(std::move(description)),
      m_what(QStringLiteral("%1 (%2)").arg(m_description).arg(m_number).toUtf8())
{
}

qsizetype SerialPortControl::writeSome(QByteArrayView bytes)
{
    setOutput(Codec::toText(bytes));
    return bytes.size();
}
