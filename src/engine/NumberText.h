#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Conversions of the numbers the user types into text boxes.
namespace NumberText {

// The number a text begins with, rounded to a whole number: leading blanks,
// an optional sign, digits with an optional fraction and exponent. A text
// that does not begin with a number gives 0. Nothing when the value lies
// outside the 16-bit signed range.
std::optional<qint16> leadingInt16(const QString &text);

// The same number, but nothing when the text does not begin with a number
// (an empty text, words, a sign alone) or the value lies outside the 16-bit
// signed range.
std::optional<qint16> startingInt16(const QString &text);

// The whole text as a number: blanks around it, an optional sign, digits
// with an optional fraction and exponent. Nothing for any other text.
std::optional<double> toNumber(const QString &text);

// The whole text as a number rounded to a whole number (a half goes to the
// even neighbour), blanks around it allowed. Nothing when the text is not a
// number or lies outside the 16-bit signed range.
std::optional<qint16> toInt16(const QString &text);

} // namespace NumberText
