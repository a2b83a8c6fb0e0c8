#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The character delay is typed as free text; these decide which texts count.
namespace CharDelayInput {

// True when the text reads as a number that rounds (half to even) to a 16-bit
// signed integer. Blanks around it, a sign, a decimal point and an exponent
// are allowed; anything else makes it false. Never throws.
bool IsInteger(const QString &text);

// The delay in ms the text stands for: its value rounded half to even, when
// the value is at least 0 and the rounded one at most 9999 ('-0.4' and
// '9999.5' are refused); nothing otherwise.
std::optional<qint16> fromText(const QString &text);

} // namespace CharDelayInput
