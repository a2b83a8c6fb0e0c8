#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// The text encoding of Ports.ini, the program's own file (the settings and
// command files keep their 8-bit character set). A file whose bytes are
// valid UTF-8 is read as UTF-8, as every editor of today writes it; any
// other file is read as Windows-1252 (Codec), as files of earlier versions
// were written. A pure ASCII file reads the same either way.
//
// A value is written in the file's own encoding: as UTF-8 into a file that
// is valid UTF-8 (an empty or missing file too), as Windows-1252 into an
// older file when the value has a byte there for every character. An older
// file that cannot take the value that way, or that would pass for UTF-8
// afterwards, is first turned into UTF-8 as a whole (each of its values then
// reads as before), so a file never mixes the two and no value changes its
// meaning.
namespace PortsIniText {

// Whether the bytes of a file are valid UTF-8 (see Utf8::isValid).
bool isUtf8(QByteArrayView bytes);

// A name or value of a file, as text; utf8File: what isUtf8 says of the
// whole file.
QString decode(QByteArrayView value, bool utf8File);

// Whether value can be written so that it reads back unchanged: it stays
// on one line and has no character that no encoding carries (half of a
// surrogate pair).
bool canCarry(const QString &value);

// The value of key in section of file, as text; nothing when it is missing.
std::optional<QString> valueIn(QByteArrayView file, QByteArrayView section, QByteArrayView key);

// The bytes of file with key=value in section (the other bytes as IniText
// keeps them), or nothing for a value it cannot carry.
std::optional<QByteArray> withValue(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                                    const QString &value);

} // namespace PortsIniText
