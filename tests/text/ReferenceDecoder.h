#pragma once

#include "text/Codec.h"

#include <QRegularExpression>
#include <QString>

#include <optional>
#include <vector>

// The decoding rule written out literally and slowly: replace the named tokens,
// then repeatedly take the first '<' and the first '>' after it, convert the
// inside, replace every occurrence of that token and start over from the
// beginning; a text that ends in a hex token left open fails. A hex token's
// bytes are final: they are kept apart from the
// characters the rule looks at, so they never make a bracket or take part in
// an inside. Only the tests compare against it.
struct ReferenceResult {
    std::optional<QString> text;
    int rounds = 0;           // replace-all rounds that were run
    bool madeBracket = false; // some round produced a '<' or '>'
    bool madeFinal = false;   // some round produced final bytes
    bool finalBracket = false; // and among them a 3C or 3E
};

inline ReferenceResult referenceDecode(const QString &input)
{
    static const QStringList named =
        QStringLiteral("<STX> <ETX> <EOT> <ENQ> <ACK> <LF> <CR> <NAK>").split(u' ');
    static const int namedCodes[] = {2, 3, 4, 5, 6, 10, 13, 21};
    // Blanks around the number, an optional sign directly before the digits;
    // anchored at both ends of the whole inside ('$' alone would also match
    // before a final line feed and take "0\n" for a number).
    static const QRegularExpression numeric(
        QRegularExpression::anchoredPattern(QStringLiteral(" *[+-]?[0-9]+ *")));
    static const QRegularExpression hex(
        QRegularExpression::anchoredPattern(QStringLiteral("0x[0-9A-Fa-f]{2}( *[0-9A-Fa-f]{2})*")));

    struct Item {
        QChar ch;
        bool final = false;
    };
    auto isChar = [](const Item &item, char16_t c) { return !item.final && item.ch == c; };

    ReferenceResult result;
    QString named8 = input;
    for (int i = 0; i < named.size(); ++i)
        named8.replace(named[i], QString(QChar(char16_t(namedCodes[i]))));
    std::vector<Item> t;
    for (const QChar ch : named8)
        t.push_back({ch});
    for (;;) {
        qsizetype p = 0;
        while (p < qsizetype(t.size()) && !isChar(t[p], u'<'))
            ++p;
        if (p == qsizetype(t.size()))
            break;
        qsizetype q = p + 1;
        while (q < qsizetype(t.size()) && !isChar(t[q], u'>'))
            ++q;
        if (q == qsizetype(t.size()))
            break;
        QString inner;
        for (qsizetype i = p + 1; i < q; ++i) {
            if (t[i].final)
                return result; // bytes that are final make no number
            inner += t[i].ch;
        }
        std::vector<Item> replacement;
        if (numeric.match(inner).hasMatch()) {
            const QString digits = inner.trimmed().remove(u'+').remove(u'-');
            const bool negative = inner.contains(u'-');
            bool ok = false;
            const qulonglong magnitude = digits.toULongLong(&ok);
            if (!ok && digits.count(u'0') != digits.size())
                return result; // too many digits for any code
            if (magnitude > 255 || (negative && magnitude != 0))
                return result;
            const QChar ch = Codec::charFromByte(uchar(magnitude));
            result.madeBracket |= ch == u'<' || ch == u'>';
            replacement.push_back({ch});
        } else if (hex.match(inner).hasMatch()) {
            const QByteArray bytes = QByteArray::fromHex(inner.mid(2).remove(u' ').toLatin1());
            for (const char b : bytes) {
                replacement.push_back({Codec::charFromByte(uchar(b)), true});
                result.finalBracket |= b == '<' || b == '>';
            }
            result.madeFinal = true;
        } else {
            return result;
        }
        // Every occurrence of '<' inner '>' among the characters as they stand.
        std::vector<Item> next;
        for (qsizetype i = 0; i < qsizetype(t.size());) {
            bool match = i + inner.size() + 1 < qsizetype(t.size()) && isChar(t[i], u'<') &&
                         isChar(t[i + inner.size() + 1], u'>');
            for (qsizetype k = 0; match && k < inner.size(); ++k)
                match = !t[i + 1 + k].final && t[i + 1 + k].ch == inner[k];
            if (match) {
                next.insert(next.end(), replacement.begin(), replacement.end());
                i += inner.size() + 2;
            } else {
                next.push_back(t[i]);
                ++i;
            }
        }
        t.swap(next);
        ++result.rounds;
    }
    // A hex token left open at the end of the text is refused.
    static const QRegularExpression openHex(QStringLiteral("<0x[0-9A-Fa-f ]*\\z"));
    if (openHex.match(input).hasMatch())
        return result;
    QString text;
    for (const Item &item : t)
        text += item.ch;
    result.text = text;
    return result;
}
