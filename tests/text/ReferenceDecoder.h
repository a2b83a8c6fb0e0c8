#pragma once

#include "text/Codec.h"

#include <QRegularExpression>
#include <QString>

#include <optional>

// The decoding rule written out literally and slowly: replace the named tokens,
// then repeatedly take the first '<' and the first '>' after it, convert the
// inside, replace every occurrence of that token and start over from the
// beginning. Only the tests compare against it.
struct ReferenceResult {
    std::optional<QString> text;
    int rounds = 0;           // replace-all rounds that were run
    bool madeBracket = false; // some round produced a '<' or '>'
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

    ReferenceResult result;
    QString t = input;
    for (int i = 0; i < named.size(); ++i)
        t.replace(named[i], QString(QChar(char16_t(namedCodes[i]))));
    for (;;) {
        const qsizetype p = t.indexOf(u'<');
        if (p < 0)
            break;
        const qsizetype q = t.indexOf(u'>', p + 1);
        if (q < 0)
            break;
        const QString inner = t.mid(p + 1, q - p - 1);
        if (!numeric.match(inner).hasMatch())
            return result;
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
        t.replace(u'<' + inner + u'>', QString(ch));
        ++result.rounds;
    }
    result.text = t;
    return result;
}
