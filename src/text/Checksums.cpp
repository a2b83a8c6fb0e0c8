#include "text/Checksums.h"

namespace {

quint16 crc16Reflected(QByteArrayView data, quint16 poly, quint16 crc)
{
    for (const char byte : data) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? quint16((crc >> 1) ^ poly) : quint16(crc >> 1);
    }
    return crc;
}

quint16 crc16(QByteArrayView data, quint16 poly, quint16 crc)
{
    for (const char byte : data) {
        crc ^= quint16(uchar(byte) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x8000) ? quint16((crc << 1) ^ poly) : quint16(crc << 1);
    }
    return crc;
}

uchar crc8(QByteArrayView data, uchar poly)
{
    uchar crc = 0;
    for (const char byte : data) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80) ? uchar((crc << 1) ^ poly) : uchar(crc << 1);
    }
    return crc;
}

uchar sum8(QByteArrayView data)
{
    uchar sum = 0;
    for (const char byte : data)
        sum = uchar(sum + uchar(byte));
    return sum;
}

// Two bytes in the order given (QByteArray{a, b} would be b repeated a times).
QByteArray twoBytes(uchar first, uchar second)
{
    QByteArray bytes;
    bytes.append(char(first));
    bytes.append(char(second));
    return bytes;
}

QByteArray highFirst(quint16 value)
{
    return twoBytes(uchar(value >> 8), uchar(value & 0xFF));
}

} // namespace

QByteArray checksumBytes(Checksum kind, QByteArrayView data)
{
    switch (kind) {
    case Checksum::Crc16Modbus: {
        const quint16 crc = crc16Reflected(data, 0xA001, 0xFFFF);
        return twoBytes(uchar(crc & 0xFF), uchar(crc >> 8));
    }
    case Checksum::Crc16CcittFalse:
        return highFirst(crc16(data, 0x1021, 0xFFFF));
    case Checksum::Crc16Xmodem:
        return highFirst(crc16(data, 0x1021, 0x0000));
    case Checksum::Crc8:
        return QByteArray(1, char(crc8(data, 0x07)));
    case Checksum::Lrc:
        return QByteArray(1, char(uchar(-sum8(data))));
    case Checksum::Sum8:
        return QByteArray(1, char(sum8(data)));
    case Checksum::Xor8: {
        uchar x = 0;
        for (const char byte : data)
            x ^= uchar(byte);
        return QByteArray(1, char(x));
    }
    }
    return QByteArray();
}

qsizetype checksumSize(Checksum kind)
{
    switch (kind) {
    case Checksum::Crc16Modbus:
    case Checksum::Crc16CcittFalse:
    case Checksum::Crc16Xmodem:
        return 2;
    default:
        return 1;
    }
}

QString checksumName(Checksum kind)
{
    switch (kind) {
    case Checksum::Crc16Modbus:
        return QStringLiteral("CRC-16/MODBUS");
    case Checksum::Crc16CcittFalse:
        return QStringLiteral("CRC-16/CCITT-FALSE");
    case Checksum::Crc16Xmodem:
        return QStringLiteral("CRC-16/XMODEM");
    case Checksum::Crc8:
        return QStringLiteral("CRC-8");
    case Checksum::Lrc:
        return QStringLiteral("LRC");
    case Checksum::Sum8:
        return QStringLiteral("SUM-8");
    case Checksum::Xor8:
        return QStringLiteral("XOR-8");
    }
    return QString();
}

QString hexToken(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return QString();
    return QStringLiteral("<0x") + hexBytes(bytes) + u'>';
}

QString hexBytes(QByteArrayView bytes)
{
    return QString::fromLatin1(bytes.toByteArray().toHex(' ').toUpper());
}
