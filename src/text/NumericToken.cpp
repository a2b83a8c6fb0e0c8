#include "text/NumericToken.h"

#include "text/Codec.h"

#include <algorithm>

namespace
{

constexpr int kMaxCode = 255;

bool isBlank(QChar ch)
{
    return ch == u' ';
}

bool isDigit(QChar ch)
{
    return ch >= u'0' && ch <= u'9';
}

// The value of a hex digit, or -1.
int hexValue(QChar ch)
{
    const char16_t u = ch.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

std::optional<QChar> numericTokenChar(QStringView inner)
{
    const qsizetype size = inner.size();
    qsizetype i = 0;
    while (i < size && isBlank(inner[i]))
        ++i;

    bool negative = false;
    if (i < size && (inner[i] == u'+' || inner[i] == u'-')) {
        negative = inner[i] == u'-';
        ++i;
    }

    const qsizetype firstDigit = i;
    int value = 0;
    for (; i < size && isDigit(inner[i]); ++i) {
        // Saturating just above the range keeps a long digit string from overflowing.
        value = std::min(value * 10 + (inner[i].unicode() - u'0'), kMaxCode + 1);
    }
    if (i == firstDigit)
        return std::nullopt;

    while (i < size && isBlank(inner[i]))
        ++i;
    if (i != size)
        return std::nullopt;

    if (value > kMaxCode || (negative && value != 0))
        return std::nullopt;
    return Codec::charFromByte(uchar(value));
}

std::optional<QByteArray> hexTokenBytes(QStringView inner)
{
    if (!inner.startsWith(u"0x"))
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve((inner.size() - 2) / 2);
    qsizetype i = 2;
    while (i < inner.size()) {
        if (i > 2) {
            while (i < inner.size() && isBlank(inner[i]))
                ++i; // blanks only ever stand between two bytes
        }
        if (i + 1 >= inner.size())
            return std::nullopt;
        const int high = hexValue(inner[i]);
        const int low = hexValue(inner[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(char(high * 16 + low));
        i += 2;
    }
    if (bytes.isEmpty())
        return std::nullopt;
    return bytes;
}
