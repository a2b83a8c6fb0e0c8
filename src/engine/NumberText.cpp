#include "engine/NumberText.h"

#include <cmath>
#include <limits>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Length of the number at the start of text (after pos), 0 when there is none.
qsizetype numberLength(const QString &text, qsizetype pos)
{
    qsizetype i = pos;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    const qsizetype digitsStart = i;
    while (i < text.size() && isDigit(text[i]))
        ++i;
    qsizetype digits = i - digitsStart;
    if (i < text.size() && text[i] == u'.') {
        const qsizetype fractionStart = ++i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        digits += i - fractionStart;
    }
    if (digits == 0)
        return 0;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < text.size() && (text[j] == u'+' || text[j] == u'-'))
            ++j;
        const qsizetype expStart = j;
        while (j < text.size() && isDigit(text[j]))
            ++j;
        if (j > expStart)
            i = j;
    }
    return i - pos;
}

std::optional<qint16> roundToInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // round half to even
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return qint16(rounded);
}

qsizetype skipBlanks(const QString &text, qsizetype pos)
{
    while (pos < text.size() && (text[pos] == u' ' || text[pos] == u'\t'))
        ++pos;
    return pos;
}

} // namespace

namespace NumberText {

std::optional<qint16> leadingInt16(const QString &text)
{
    const qsizetype start = skipBlanks(text, 0);
    if (numberLength(text, start) == 0)
        return qint16(0);
    return startingInt16(text);
}

std::optional<qint16> startingInt16(const QString &text)
{
    const qsizetype start = skipBlanks(text, 0);
    const qsizetype len = numberLength(text, start);
    if (len == 0)
        return std::nullopt;
    return roundToInt16(text.mid(start, len).toDouble());
}

std::optional<double> toNumber(const QString &text)
{
    const qsizetype start = skipBlanks(text, 0);
    const qsizetype len = numberLength(text, start);
    if (len == 0 || skipBlanks(text, start + len) != text.size())
        return std::nullopt;
    const double value = text.mid(start, len).toDouble();
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint16> toInt16(const QString &text)
{
    const auto value = toNumber(text);
    if (!value)
        return std::nullopt;
    return roundToInt16(*value);
}

} // namespace NumberText
