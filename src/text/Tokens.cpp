#include "text/Tokens.h"

#include "text/Codec.h"
#include "text/ReportHook.h"
#include "text/TokenDecoder.h"

#include <array>

namespace
{

struct NamedToken {
    const char16_t *token;
    uchar code;
};

// Table order is the replacement order of the send direction.
constexpr std::array<NamedToken, 8> kSendTokens = {{
    {u"<STX>", 2},
    {u"<ETX>", 3},
    {u"<EOT>", 4},
    {u"<ENQ>", 5},
    {u"<ACK>", 6},
    {u"<LF>", 10},
    {u"<CR>", 13},
    {u"<NAK>", 21},
}};

// The display token of a character, or null when it is shown as it is.
const char16_t *displayToken(QChar ch)
{
    switch (ch.unicode()) {
    case 2:
        return u"<STX>";
    case 3:
        return u"<ETX>";
    case 4:
        return u"<EOT>";
    case 5:
        return u"<ENQ>";
    case 6:
        return u"<ACK>";
    case 10:
        return u"<LF>";
    case 13:
        return u"<CR>";
    case 21:
        return u"<NAK>";
    case 0:
        return u"<NUL>";
    default:
        return nullptr;
    }
}

bool isHexDigit(QChar ch)
{
    const char16_t u = ch.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
}

// What is wrong with a token that failed to decode, when it was written as
// a hex token: the first character that is neither a hex digit nor a blank,
// else a run of digits of odd length. Other faults keep the general kind.
void nameHexFault(const QString &text, DecodeFault &fault)
{
    const QStringView token = QStringView(text).sliced(fault.start, fault.length);
    if (!token.startsWith(u"<0x") || !token.endsWith(u'>'))
        return;
    const QStringView inside = token.sliced(3, token.size() - 4);
    qsizetype run = 0;
    bool oddRun = false;
    for (qsizetype i = 0; i < inside.size(); ++i) {
        if (isHexDigit(inside[i])) {
            ++run;
            continue;
        }
        if (inside[i] != u' ') {
            fault.kind = DecodeFault::Kind::NotHexDigit;
            fault.detail = fault.start + 3 + i;
            return;
        }
        oddRun = oddRun || run % 2 != 0;
        run = 0;
    }
    if (oddRun || run % 2 != 0)
        fault.kind = DecodeFault::Kind::OddHex;
}

} // namespace

std::optional<QString> DecodeTokens(const QString &text)
{
    return DecodeTokens(text, nullptr);
}

std::optional<QString> DecodeTokens(const QString &text, DecodeFault *fault)
{
    // Every token starts with '<'.
    if (!text.contains(u'<'))
        return text;
    TokenDecoder::Span span;
    auto decoded = TokenDecoder(text).run(&span);
    if (!decoded) {
        if (fault) {
            *fault = {DecodeFault::Kind::Token, span.start, span.length};
            nameHexFault(text, *fault);
        }
        return decoded;
    }
    const qsizetype open = openHexTokenAt(text);
    if (open < 0)
        return decoded;
    if (fault)
        *fault = {DecodeFault::Kind::OpenHex, open, text.size() - open};
    return std::nullopt;
}

qsizetype openHexTokenAt(QStringView text)
{
    qsizetype end = text.size();
    while (end > 0 && (isHexDigit(text[end - 1]) || text[end - 1] == u' '))
        --end;
    return end >= 3 && text.sliced(end - 3, 3) == u"<0x" ? end - 3 : -1;
}

// Tokens only ever make characters that have a byte, so a character without
// one stands in the text as written.
std::optional<QByteArray> DecodeToBytes(const QString &text, DecodeFault *fault)
{
    const auto decoded = DecodeTokens(text, fault);
    if (!decoded)
        return std::nullopt;
    if (auto bytes = Codec::toBytes(*decoded))
        return bytes;
    if (fault) {
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (Codec::byteFromChar(text[i]))
                continue;
            const bool pair =
                text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
            *fault = {DecodeFault::Kind::NoByte, i, pair ? 2 : 1};
            break;
        }
    }
    return std::nullopt;
}

int namedSendTokenAt(QStringView text, uchar &code)
{
    if (text.isEmpty() || text.front() != u'<')
        return 0;
    for (const NamedToken &named : kSendTokens) {
        const QStringView token(named.token);
        if (text.startsWith(token)) {
            code = named.code;
            return int(token.size());
        }
    }
    return 0;
}

QString ReplaceNamedTokens(const QString &text)
{
    QString result = text;
    for (const NamedToken &named : kSendTokens)
        result.replace(QString::fromUtf16(named.token), QString(Codec::charFromByte(named.code)),
                       Qt::CaseSensitive);
    return result;
}

// The display characters all lie below 0x80, where the codec's character is the
// character of the same code, so a switch on the code is exact. Replacing the
// nine characters one after another in a text gives the same as this single
// pass: no token contains any of the nine characters.
QString ReplaceControlChars(const QString &text)
{
    QString result;
    result.reserve(text.size() + text.size() / 4);
    for (const QChar ch : text) {
        if (const char16_t *token = displayToken(ch))
            result.append(QStringView(token));
        else
            result.append(ch);
    }
    return result;
}

// Character by character, as the receive path hands it over; linear in the text.
QString EncodeControlChars(const QString &text)
{
    return ReplaceControlChars(text);
}

QString SpellControlChars(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u >= 0x20 && u != 0x7F) {
            result.append(ch);
        } else if (const char16_t *token = displayToken(ch)) {
            result.append(QStringView(token));
        } else {
            result.append(u'<');
            result.append(QString::number(u));
            result.append(u'>');
        }
    }
    return result;
}

// No character of the result can be taken for a bracket and no token makes
// one, so each token decodes on its own in the first rounds.
QString spellSavedForm(QStringView text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar ch : text) {
        if (ch == u'<')
            result.append(u"<0x3C>");
        else if (ch == u'>')
            result.append(u"<0x3E>");
        else if (ch.unicode() == 0)
            result.append(u"<0>");
        else
            result.append(SpellControlChars(QStringView(&ch, 1)));
    }
    return result;
}

QString fkt_ToolsCharFromCode(int code)
{
    if (code < 0 || code > 255)
        return QString();
    QChar ch = Codec::charFromByte(uchar(code));
    // The read-back test: with a one-to-one codec neither branch below can
    // change the result; it stays as the guard it is meant to be.
    const auto byte = Codec::byteFromChar(ch);
    if (!byte || *byte != code)
        ch = QChar(char16_t(code));
    if (ch.unicode() <= 255 && ch.unicode() != code)
        reportMessage(QStringLiteral("Lintrova"), QStringLiteral("Error while converting char '") +
                                                      QString::number(code) +
                                                      QStringLiteral("' !"));
    return QString(ch);
}
