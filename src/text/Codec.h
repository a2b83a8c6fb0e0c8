#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// The one conversion between bytes (serial line, INI files) and the program's
// characters. It is Windows-1252 made one-to-one: the five bytes that
// Windows-1252 leaves unassigned (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
// control characters of the same code, so every byte 0-255 has exactly one
// character and every such character exactly one byte.
namespace Codec {

// The character that stands for one byte.
QChar charFromByte(uchar byte);

// The byte of one character, or nothing when the character has no byte
// (a typed '日', for example).
std::optional<uchar> byteFromChar(QChar ch);

// Every byte becomes one character; never fails.
QString toText(QByteArrayView bytes);

// Every character becomes one byte; nothing when any character has no byte.
// A character without a byte is never replaced by '?'.
std::optional<QByteArray> toBytes(QStringView text);

// Every character as its byte, a character without a byte as the given
// stand-in. Only for files whose format has no other way to keep the text;
// nothing that is sent to a device goes through here.
QByteArray toBytesReplacing(QStringView text, char standIn);

} // namespace Codec
