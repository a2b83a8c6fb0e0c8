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
