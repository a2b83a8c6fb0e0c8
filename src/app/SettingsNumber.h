#pragma once

#include <QStringView>

#include <limits>
#include <optional>

// Numbers of the settings file and of the wait-time box: a decimal integer,
// optionally signed ('+5', '-3'), with white space around it allowed (' 5 ').
// Anything else ('', 'five', '12abc', '5.0', '0x10', '1 2') is no number.
namespace SettingsNumber {

// The integer written in text, or nothing. Every value of qint64 is read;
// values beyond its range are no number.
std::optional<qint64> parse(QStringView text);

// The number in text when it fits into T, else fallback.
template <class T> T valueOr(QStringView text, T fallback)
{
    const auto number = parse(text);
    if (!number || *number < qint64(std::numeric_limits<T>::min()) ||
        *number > qint64(std::numeric_limits<T>::max()))
        return fallback;
    return T(*number);
}

} // namespace SettingsNumber
