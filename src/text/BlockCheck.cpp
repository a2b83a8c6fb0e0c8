#include "text/BlockCheck.h"

#include "text/Tokens.h"

namespace
{

constexpr char kStx = 2;
constexpr uchar kBit7 = 0x80;

} // namespace

qint16 fkt_ToolsCalcBlockcheck(QByteArrayView telegram)
{
    const qsizetype stx = telegram.indexOf(kStx);
    uchar check = 0;
    for (qsizetype i = stx < 0 ? 0 : stx + 1; i < telegram.size(); ++i)
        check ^= uchar(telegram[i]);
    return qint16(check | kBit7);
}

QString AppendBlockCheck(const QString &sendText)
{
    const auto telegram = DecodeToBytes(sendText);
    if (!telegram)
        return sendText;
    return sendText + u'<' + QString::number(fkt_ToolsCalcBlockcheck(*telegram)) + u'>';
}
