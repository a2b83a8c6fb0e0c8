#pragma once

#include <QByteArray>
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

// The bytes a hex token's inside stands for ('0x01 03' in '<0x01 03>'): "0x",
// then one or more bytes of exactly two hex digits (either case), separated
// by nothing or by blanks ("0x0D0A", "0x0D 0A"). Nothing for any other
// inside: "0x" alone, an odd number of digits between blanks, a character that
// is no hex digit, "0X", a blank right after "0x" or at the end.
std::optional<QByteArray> hexTokenBytes(QStringView inner);
