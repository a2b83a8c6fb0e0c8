#pragma once

#include <QRandomGenerator>
#include <QSet>
#include <QString>

// A text of exactly `length` characters that decodes without failing: numeric
// tokens written in many distinct spellings ('< 01>', '<+001>', '<  7 >'),
// named tokens and a little plain text. The codes of '<' and '>' are left out
// so that every token stays a token.
inline QString longTokenText(qsizetype length, quint32 seed)
{
    static const QStringList named =
        QStringLiteral("<STX> <ETX> <EOT> <ENQ> <ACK> <LF> <CR> <NAK>").split(u' ');
    QRandomGenerator random(seed);
    QSet<QString> used;
    QString text;
    while (text.size() < length) {
        const int kind = random.bounded(10);
        if (kind == 0) {
            text += named[random.bounded(named.size())];
            continue;
        }
        if (kind == 1) {
            text += QChar(char16_t(u'a' + random.bounded(26)));
            continue;
        }
        int code = random.bounded(256);
        if (code == '<' || code == '>')
            code = 'A';
        static const QStringList signs = {QString(), QStringLiteral("+"), QStringLiteral("-")};
        const QString sign = signs[random.bounded(code == 0 ? 3 : 2)]; // '-' only for zero
        const QString token = u'<' + QString(random.bounded(3), u' ') + sign +
                              QString(random.bounded(4), u'0') + QString::number(code) +
                              QString(random.bounded(3), u' ') + u'>';
        if (used.contains(token) && random.bounded(8) != 0)
            continue; // mostly distinct spellings; a few repeats keep replace-all busy
        used.insert(token);
        text += token;
    }
    // Cut at a token boundary and pad, so the length is exact.
    const qsizetype cut = text.lastIndexOf(u'<', length - 1);
    const bool cutsToken = cut >= 0 && text.indexOf(u'>', cut) >= length;
    text.truncate(cutsToken ? cut : length);
    return text.leftJustified(length, u'z');
}
