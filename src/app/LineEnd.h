#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// Where a received block also ends (the setting LineEnd): at every line end
// of the chosen kind, or only as the quiet time and the buffer size have it.
enum class LineEndKind : quint8 { Off = 0, Lf = 1, Cr = 2, CrLf = 3 };

// The kind a stored value stands for; any value but 1 to 3 is Off.
LineEndKind lineEndKind(quint8 value);

// The bytes that end a line of that kind; empty for Off.
QByteArrayView lineEndBytes(LineEndKind kind);
