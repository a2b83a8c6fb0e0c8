#include "host/PortsIniText.h"

#include "app/IniText.h"
#include "text/Codec.h"
#include "text/Utf8.h"

#include <algorithm>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

// Every byte of an older file as the UTF-8 of the character it stands for;
// a byte-order mark stays one.
QByteArray toUtf8File(QByteArrayView file)
{
    const qsizetype mark = file.startsWith(kByteOrderMark) ? kByteOrderMark.size() : 0;
    return file.first(mark).toByteArray() + Codec::toText(file.sliced(mark)).toUtf8();
}

bool isAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; });
}

} // namespace

namespace PortsIniText {

bool isUtf8(QByteArrayView bytes)
{
    return Utf8::isValid(bytes);
}

QString decode(QByteArrayView value, bool utf8File)
{
    // A value of a valid UTF-8 file is valid UTF-8 itself: it ends at ASCII bytes.
    if (utf8File) {
        if (const auto text = Utf8::decode(value))
            return *text;
    }
    return Codec::toText(value);
}

bool canCarry(const QString &value)
{
    return !value.contains(u'\r') && !value.contains(u'\n') && Utf8::carries(value);
}

std::optional<QString> valueIn(QByteArrayView file, QByteArrayView section, QByteArrayView key)
{
    const auto value = IniText::findValue(file, section, key);
    if (!value)
        return std::nullopt;
    return decode(*value, isUtf8(file));
}

std::optional<QByteArray> withValue(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                                    const QString &value)
{
    if (!canCarry(value))
        return std::nullopt;
    if (!isUtf8(file)) {
        // An older file stays as it is only while it still reads as
        // Windows-1252 afterwards (or is plain ASCII): without the bytes a
        // replaced line took away it might pass for UTF-8, and its other
        // values would read differently.
        if (const auto narrow = Codec::toBytes(value)) {
            QByteArray kept = IniText::withValue(file, section, key,
                                                 IniText::quotedIfNeeded(*narrow));
            if (!isUtf8(kept) || isAscii(kept))
                return kept;
        }
        return IniText::withValue(toUtf8File(file), section, key,
                                  IniText::quotedIfNeeded(value.toUtf8()));
    }
    return IniText::withValue(file, section, key, IniText::quotedIfNeeded(value.toUtf8()));
}

} // namespace PortsIniText
