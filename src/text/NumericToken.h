#pragma once

#include <QChar>
#include <QStringView>

#include <optional>

// The character that a numeric token's inside ('65' in '<65>') stands for, or
// nothing when the inside is not a whole decimal number from 0 to 255.
//
// Accepted: blanks (spaces only) before and after the number, at most one sign
// '+' or '-' directly before the digits, any number of leading zeros, so
// '< 65 >', '<+065>' and '<-0>' are valid. Refused: a blank between the sign
// and the digits ('<+ 65>'), a hexadecimal prefix, a fraction, an exponent,
// any digit outside 0-9 and every negative value but zero.
std::optional<QChar> numericTokenChar(QStringView inner);
