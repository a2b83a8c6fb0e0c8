#pragma once

#include <QString>

// A file path kept in Settings.ini, whose 8-bit character set has no byte
// for many letters of file names (Polish, Czech, Cyrillic, ...). Such a path
// is kept in two keys: the narrow one holds it with '?' for every character
// without a byte (what a reader of the file, or an older version, sees), the
// wide one holds its UTF-8 bytes percent-encoded, which every file carries.
// A path the narrow key carries as it is needs no wide value.
//
// The wide value counts only while the narrow one still matches it: a
// narrow key edited by hand since wins.
namespace PathKeys {

struct Values {
    QString narrow;
    QString wide; // empty when the narrow value is the path itself
};

// The two values that keep path.
Values store(const QString &path);

// The path that the two values read from the file keep.
QString load(const QString &narrow, const QString &wide);

// Whether store() and load() give path back unchanged: false only for a
// text that is no valid UTF-16 (half of a surrogate pair).
bool canKeep(const QString &path);

} // namespace PathKeys
