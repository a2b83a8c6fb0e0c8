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

// The delay in ms the text stands for, when it is a number from 0 to 9999
// after rounding half to even; nothing otherwise.
std::optional<qint16> fromText(const QString &text);

} // namespace CharDelayInput
