// Tokens and codec: decoding against the literal, slow rendering of the rule;
// round trips where they must hold (the saved form among them); every code as a numeric token in
// any accepted spelling; the block check against a plain XOR.

#include "FuzzInput.h"

#include "text/BlockCheck.h"
#include "text/ReferenceDecoder.h"
#include "text/Tokens.h"

namespace {

QString shown(const std::optional<QString> &text)
{
    return text ? QLatin1Char('\'') + visible(*text) + QLatin1Char('\'') : QStringLiteral("failure");
}

// The display rule as written: the nine codes replaced one after another.
QString literalEncoding(QString text)
{
    const std::pair<int, const char *> tokens[] = {{2, "<STX>"}, {3, "<ETX>"}, {4, "<EOT>"},
                                                  {5, "<ENQ>"}, {6, "<ACK>"}, {10, "<LF>"},
                                                  {13, "<CR>"}, {21, "<NAK>"}, {0, "<NUL>"}};
    for (const auto &[code, token] : tokens)
        text.replace(QChar(char16_t(code)), QLatin1String(token));
    return text;
}

// One accepted spelling of code as a numeric token, chosen by the input:
// blanks around, leading zeros, a sign ('-' only for zero).
QString numericToken(int code, FuzzInput &in)
{
    const uint8_t style = in.byte();
    QString inner = QString::number(code);
    inner.prepend(QString(style & 3, QLatin1Char('0')));
    if (style & 4)
        inner.prepend(code == 0 && (style & 8) ? QLatin1Char('-') : QLatin1Char('+'));
    inner.prepend(QString((style >> 4) & 3, QLatin1Char(' ')));
    inner.append(QString((style >> 6) & 3, QLatin1Char(' ')));
    return QLatin1Char('<') + inner + QLatin1Char('>');
}

void checkDecoding(const QString &text)
{
    const ReferenceResult expected = referenceDecode(text);
    const std::optional<QString> actual = DecodeTokens(text);
    FUZZ_CHECK(actual == expected.text, QStringLiteral("text '%1': expected %2, got %3")
                                                .arg(visible(text), shown(expected.text), shown(actual)));
    // A failure names a token as written: from a '<' to a '>' of the text,
    // or a hex token left open from its "<0x" to the end.
    DecodeFault fault{DecodeFault::Kind::NoByte, -1, -1};
    const bool decoded = DecodeTokens(text, &fault).has_value();
    FUZZ_CHECK(decoded == actual.has_value(), visible(text));
    const qsizetype end = fault.start + fault.length;
    if (!decoded)
        FUZZ_CHECK(fault.kind != DecodeFault::Kind::NoByte && fault.start >= 0 &&
                       fault.length >= 2 && end <= text.size() && text[fault.start] == u'<' &&
                       (fault.kind == DecodeFault::Kind::OpenHex ? end == text.size()
                                                                 : text[end - 1] == u'>'),
                   visible(text) + QStringLiteral(" at %1+%2").arg(fault.start).arg(fault.length));
}

// Any bytes in the saved form of a log line, read back from the file's UTF-8,
// decode to exactly those bytes.
void checkSavedForm(const QByteArray &bytes)
{
    const QString saved = QString::fromUtf8(spellSavedForm(Codec::toText(bytes)).toUtf8());
    const auto back = DecodeToBytes(saved);
    FUZZ_CHECK(back == bytes, visible(saved) + QStringLiteral(" -> ") +
                                  (back ? visible(*back) : QStringLiteral("failure")));
}

// Any bytes written as one hex token, grouped and cased as the input says,
// decode back exactly: 3C and 3E stay bytes and open or close nothing.
void checkHexRoundTrip(const QByteArray &bytes, FuzzInput &in)
{
    if (bytes.isEmpty())
        return;
    const uint8_t style = in.byte();
    QString token = QStringLiteral("<0x");
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (i > 0 && (style & (1 << (i % 8))))
            token += QString((style & 1) + 1, u' ');
        const QString digits = QStringLiteral("%1").arg(uchar(bytes[i]), 2, 16, QLatin1Char('0'));
        token += (style & 2) ? digits.toUpper() : digits;
    }
    token += u'>';
    // Decimal tokens that make a '>' before and a '<' after it.
    const QString around = QStringLiteral("<62>") + token + QStringLiteral("<60>");
    const auto back = DecodeToBytes(around);
    FUZZ_CHECK(back == QByteArray('>' + bytes + '<'),
               visible(around) + QStringLiteral(" -> ") +
                   (back ? visible(*back) : QStringLiteral("failure")));
}

void checkCodec(const QByteArray &bytes, const QString &wideText)
{
    const QString text = Codec::toText(bytes);
    FUZZ_CHECK(text.size() == bytes.size(), visible(bytes));
    FUZZ_CHECK(Codec::toBytes(text) == bytes, visible(bytes));
    bool allHaveBytes = true;
    QByteArray replaced;
    for (const QChar ch : wideText) {
        const auto byte = Codec::byteFromChar(ch);
        allHaveBytes &= byte.has_value();
        replaced.append(byte ? char(*byte) : '?');
        if (byte)
            FUZZ_CHECK(Codec::charFromByte(*byte) == ch, visible(QString(ch)));
    }
    FUZZ_CHECK(Codec::toBytes(wideText).has_value() == allHaveBytes, visible(wideText));
    FUZZ_CHECK(Codec::toBytesReplacing(wideText, '?') == replaced, visible(wideText));
}

void checkDisplayRoundTrip(const QString &text)
{
    const QString encoded = EncodeControlChars(text);
    FUZZ_CHECK(encoded == literalEncoding(text), visible(text));
    FUZZ_CHECK(ReplaceControlChars(text) == encoded, visible(text));
    // Without brackets in the text the display tokens decode back, except
    // NUL, which has no sending token.
    if (text.contains(QLatin1Char('<')) || text.contains(QLatin1Char('>')))
        return;
    const auto back = DecodeTokens(encoded);
    if (text.contains(QChar(0)))
        FUZZ_CHECK(!back, visible(text));
    else
        FUZZ_CHECK(back == text, visible(text) + QStringLiteral(" -> ") + shown(back));
}

void checkNumericRoundTrip(const QByteArray &bytes, FuzzInput &in)
{
    // Every character written as a numeric token decodes back, as long as
    // no '<' is produced that would open a token of its own.
    if (bytes.contains('<'))
        return;
    QString tokens;
    for (const char b : bytes)
        tokens += numericToken(uchar(b), in);
    const auto back = DecodeTokens(tokens);
    FUZZ_CHECK(back == Codec::toText(bytes), visible(tokens) + QStringLiteral(" -> ") + shown(back));
}

void checkEveryCode(FuzzInput &in)
{
    const int code = in.byte();
    const QString token = numericToken(code, in);
    FUZZ_CHECK(DecodeTokens(token) == QString(Codec::charFromByte(uchar(code))), token);
    FUZZ_CHECK(!DecodeTokens(QStringLiteral("<%1>").arg(256 + code)), QString::number(code));
    if (code != 0)
        FUZZ_CHECK(!DecodeTokens(QStringLiteral("<-%1>").arg(code)), QString::number(code));
}

void checkBlockCheck(const QByteArray &telegram, const QString &sendText)
{
    const qsizetype stx = telegram.indexOf('\x02');
    int check = 0;
    for (qsizetype i = stx + 1; i < telegram.size(); ++i) // stx is -1 without an STX
        check ^= uchar(telegram[i]);
    check |= 0x80;
    FUZZ_CHECK(fkt_ToolsCalcBlockcheck(telegram) == check, visible(telegram));

    const QString appended = AppendBlockCheck(sendText);
    const auto decoded = DecodeTokens(sendText);
    const auto decodedBytes = decoded ? Codec::toBytes(*decoded) : std::nullopt;
    if (!decodedBytes) {
        FUZZ_CHECK(appended == sendText, visible(sendText));
        return;
    }
    FUZZ_CHECK(appended == sendText + QStringLiteral("<%1>").arg(fkt_ToolsCalcBlockcheck(*decodedBytes)),
               visible(appended));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const uint8_t options = in.byte();
    const QByteArray piece = in.piece(200);
    const QString text = FuzzInput::text(piece, options & 1);

    checkDecoding(text);
    checkCodec(piece, QString::fromUtf8(piece));
    checkDisplayRoundTrip(Codec::toText(piece));
    checkSavedForm(piece);
    checkBlockCheck(piece, text);
    checkEveryCode(in);
    checkNumericRoundTrip(in.piece(24), in);
    checkHexRoundTrip(in.piece(40), in);
    return 0;
}
