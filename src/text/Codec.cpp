#include "text/Codec.h"

#include <array>

namespace {

// Characters of the bytes 0x80 to 0x9F; the rest of the range maps to the
// Unicode code point of the same value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, //
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, //
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, //
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

namespace Codec {

QChar charFromByte(uchar byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return QChar(kHighControls[byte - 0x80]);
    return QChar(char16_t(byte));
}

std::optional<uchar> byteFromChar(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return uchar(u);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == u)
            return uchar(0x80 + i);
    }
    return std::nullopt;
}

QString toText(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        out[i] = charFromByte(uchar(bytes[i]));
    return text;
}

std::optional<QByteArray> toBytes(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto b = byteFromChar(text[i]);
        if (!b)
            return std::nullopt;
        bytes[i] = char(*b);
    }
    return bytes;
}

QByteArray toBytesReplacing(QStringView text, char standIn)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto b = byteFromChar(text[i]);
        bytes[i] = b ? char(*b) : standIn;
    }
    return bytes;
}

} // namespace Codec
