#pragma once

#include <QString>

#include <optional>

// The control-character notation of every text that is sent: named tokens such
// as "<STX>" and numeric tokens "<" + a decimal code 0-255 + ">". Characters are
// the codec's characters (see Codec.h): '<128>' is the character of byte 128.

// The text with every token replaced by its character, or nothing when the
// text cannot be decoded. A decoding is either complete or fails; a partly
// decoded text is never returned.
std::optional<QString> DecodeTokens(const QString &text);

// The text with the eight sending tokens (STX, ETX, EOT, ENQ, ACK, LF, CR, NAK)
// replaced, in that order, case-sensitively. "<NUL>" is not among them.
QString ReplaceNamedTokens(const QString &text);

// Received text for display: the characters of the codes 2, 3, 4, 5, 6, 10,
// 13, 21 and 0 become "<STX>" ... "<NAK>" and "<NUL>"; everything else stays.
QString EncodeControlChars(const QString &text);

// The same replacement for a text of any length.
QString ReplaceControlChars(const QString &text);

// Every control character (codes 0-31 and 127) spelled as a token: the named
// token where there is one ("<STX>", "<CR>", "<NUL>" ...), else its code as
// "<n>". For text that must show every character and must not break at a raw
// line end: the saved log, the copied log, what a screen reader reads.
QString SpellControlChars(QStringView text);

// The codec's character of a code as a one-character text; empty for a code
// outside 0-255.
QString fkt_ToolsCharFromCode(int code);
