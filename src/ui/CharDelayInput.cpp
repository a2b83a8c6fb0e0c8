#include "ui/CharDelayInput.h"

#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {

// Plain decimal notation only: no group separators, no "inf"/"nan", no hex.
std::optional<double> numericValue(const QString &text)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(^\s*[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?\s*$)"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// Banker's rounding: 2.5 -> 2, 3.5 -> 4.
double roundHalfEven(double value)
{
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction > 0.5)
        return lower + 1;
    if (fraction < 0.5)
        return lower;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1;
}

} // namespace

namespace CharDelayInput {

bool IsInteger(const QString &text)
{
    const auto value = numericValue(text);
    if (!value)
        return false;
    const double rounded = roundHalfEven(*value);
    return rounded >= std::numeric_limits<qint16>::min() &&
           rounded <= std::numeric_limits<qint16>::max();
}

std::optional<qint16> fromText(const QString &text)
{
    if (!IsInteger(text))
        return std::nullopt;
    const double value = *numericValue(text);
    const double rounded = roundHalfEven(value);
    // The rounded value is checked too, so 9999.5 cannot slip in as 10000.
    if (value < 0 || rounded > 9999)
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

} // namespace CharDelayInput
