#pragma once

#include <QByteArrayView>
#include <QString>

// The block check of a telegram: XOR of every byte after its first STX (code 2),
// or of every byte when it has no STX, with bit 7 set. Always 128 to 255; an
// empty range gives 128.
qint16 fkt_ToolsCalcBlockcheck(QByteArrayView telegram);

// The send text with its block check appended as a numeric token ("<195>").
// The text is decoded first and the check covers the codec bytes of the decoded
// characters. The text comes back unchanged when it cannot be decoded or a
// character has no byte in the codec.
QString AppendBlockCheck(const QString &sendText);
