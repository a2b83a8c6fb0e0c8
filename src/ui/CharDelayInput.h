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
// the value is at least 0 and the rounded one at most `highest` ('-0.4' and
// '9999.5' are refused); nothing otherwise. The quiet time is read so too,
// up to 32767.
std::optional<qint16> fromText(const QString &text, qint16 highest = 9999);

} // namespace CharDelayInput
