#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <QList>

#include <optional>
#include <utility>

// The rules of the INI format on the bytes of a whole file, without any file
// access: finding a value and producing the bytes of the file with one key
// changed. Names are given as the bytes they have in the file.
//
// How a line is read:
// - Lines end with LF; a CR in front of the LF (or a CR that ends the file)
//   belongs to the line end. A UTF-8 byte-order mark at the very start is
//   not part of the first line.
// - Blanks (space, tab) around names and values do not count.
// - '[' name ']' opens a section (text after ']' is ignored); a line that
//   starts with '[' but has no ']' is ignored.
// - A line starting with ';' or '#' is a comment.
// - name '=' value is a key line; the first '=' separates. A line without
//   '=' or with an empty name is ignored, and so is any key line in front of
//   the first section.
// - Names are compared without regard to case (letters of the program's
//   8-bit character set, accented ones included).
// - Only the first section of a name counts, and within it the first key of
//   a name: the reader finds it and a write replaces it.
namespace IniText {

// The value of key in section: blanks removed around it, then one pair of
// double or single quotes that encloses the whole value. Nothing when the
// section or key is missing.
std::optional<QByteArray> findValue(QByteArrayView file, QByteArrayView section,
                                    QByteArrayView key);

// Every key of section with its value (as findValue gives it), in file order;
// of keys that appear twice only the first. Empty when the section is missing.
QList<std::pair<QByteArray, QByteArray>> sectionValues(QByteArrayView file,
                                                       QByteArrayView section);

// The file with key=valueField in section: the key's line replaced in place
// (keeping its line end), or a new line after the section's last key line (or
// after its header when it has none), or a new section at the end of the
// file. Every other byte is kept. New lines use the file's line end (that of
// its first line; CRLF for a file that has none yet). valueField is written
// as given: quoting is the caller's business.
QByteArray withValue(QByteArrayView file, QByteArrayView section, QByteArrayView key,
                     QByteArrayView valueField);

// The value field that the reader gives back as exactly value: enclosed in
// double quotes when the value begins or ends with a blank or is itself
// enclosed in quotes, otherwise unchanged.
QByteArray quotedIfNeeded(QByteArrayView value);

} // namespace IniText
