#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The control-character notation of every text that is sent: named tokens such
// as "<STX>", numeric tokens "<" + a decimal code 0-255 + ">", and hex tokens
// "<0x" + bytes of two hex digits + ">" ('<0x01 03 C4 0B>'), whose bytes are
// final: unlike the character of a decimal token they never take part in a
// later round of the decoding. Characters are the codec's characters (see
// Codec.h): '<128>' is the character of byte 128.

// The text with every token replaced by its character, or nothing when the
// text cannot be decoded. A decoding is either complete or fails; a partly
// decoded text is never returned.
std::optional<QString> DecodeTokens(const QString &text);

// Why and where a text in token notation cannot be sent.
struct DecodeFault {
    enum class Kind {
        Token,       // a token that does not decode
        NoByte,      // a character that has no byte in the codec ('ł')
        OpenHex,     // a hex token left open at the end ('<0x01 03')
        OddHex,      // a hex token with an odd number of digits ('<0x1>')
        NotHexDigit, // a hex token holding a character that is no hex digit ('<0x0G>')
    };
    Kind kind = Kind::Token;
    // The characters of the text at fault: a token from its '<' to the '>'
    // that closes it, as it was written (when a decoded '<' opened it, from
    // the token that made that '<'), an open hex token from its '<' to the
    // end of the text, or the one character without a byte (two UTF-16
    // units for a character beyond the BMP).
    qsizetype start = 0;
    qsizetype length = 0;
    // NotHexDigit: where the character that is no hex digit stands.
    qsizetype detail = -1;
};

// DecodeTokens, telling on failure where the token at fault stands.
//
// Besides the rule above, a text that leaves a hex token open is refused: a
// "<0x" followed by nothing but hex digits and blanks (or nothing) up to the
// end of the text. Such a text is a telegram whose '>' was forgotten; sent as
// plain text it would reach the device as the characters of its digits.
std::optional<QString> DecodeTokens(const QString &text, DecodeFault *fault);

// Where the hex token that a text leaves open begins (see DecodeTokens), or
// -1 when it leaves none open.
qsizetype openHexTokenAt(QStringView text);

// The bytes a text in token notation stands for: decoded, then every
// character as its codec byte. Nothing when a token does not decode or a
// character has no byte; fault (when given) then says which comes first.
std::optional<QByteArray> DecodeToBytes(const QString &text, DecodeFault *fault = nullptr);

// The text with the eight sending tokens (STX, ETX, EOT, ENQ, ACK, LF, CR, NAK)
// replaced, in that order, case-sensitively. "<NUL>" is not among them.
QString ReplaceNamedTokens(const QString &text);

// The length of the sending named token that text starts with, and its code
// in code; 0 when it starts with none.
int namedSendTokenAt(QStringView text, uchar &code);

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

// The saved and copied form of a log line's characters, which sends back
// exactly what it stands for: every control character spelled as
// SpellControlChars does, but NUL as "<0>" and the brackets as the hex tokens
// "<0x3C>" and "<0x3E>". Decoded (DecodeTokens) it gives the text again.
QString spellSavedForm(QStringView text);

// The codec's character of a code as a one-character text; empty for a code
// outside 0-255.
QString fkt_ToolsCharFromCode(int code);
