#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>

// The numbers in a received line, for the plot. The line's content (the
// codec's bytes) is split into records at every CR and LF. Within a record,
// fields are separated by commas, semicolons, blanks and tabs; a field is
//   - a plain number: an optional sign, digits with an optional '.' and more
//     digits (or '.' and digits), an optional exponent ("-1.5e3");
//   - a named value, name ':' or '=' number, where the name has 1 to 32
//     letters, digits, '_' and '-'; blanks or tabs may stand around the ':'
//     or '=' ("temp: 21.5").
// Anything else is skipped as a whole field: "21.5C", "0x1F", "12:30:00".
// So "21,5" is two numbers, 21 and 5: a decimal comma is not read. A number
// too large for a double is skipped too.
//
// Plain numbers are counted by their place among the plain numbers of their
// record (1, 2, ...); a named value belongs to its name, and a name given
// twice in one record keeps its last value.
namespace PlotNumbers {

struct Value {
    QString name;     // empty for a plain number
    int position = 0; // a plain number's place, from 1; 0 for a named value
    double value = 0;
    bool operator==(const Value &other) const
    {
        return name == other.name && position == other.position && value == other.value;
    }
};

// The values of one record, in the order they stand.
using Record = QList<Value>;

// The records of a line's content that hold at least one number.
QList<Record> read(QByteArrayView content);

} // namespace PlotNumbers
