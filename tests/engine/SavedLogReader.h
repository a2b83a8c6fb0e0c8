#pragma once

#include "text/Codec.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Reads one line of a saved or recorded log back into the bytes of its log
// line, in a single pass from left to right: every token ("<STX>", "<NUL>",
// "<0x3C>" ...) stands for one byte, every other character for its byte in the
// codec. Nothing when the line holds something else (a '<' that opens no
// token, a character without a byte). The program itself never reads log
// files back; this is the reading the saved form promises.
inline std::optional<QByteArray> readSavedLogLine(const QString &line)
{
    static const QStringList named = {
        QStringLiteral("NUL"), QStringLiteral("STX"), QStringLiteral("ETX"),
        QStringLiteral("EOT"), QStringLiteral("ENQ"), QStringLiteral("ACK"),
        QStringLiteral("LF"),  QStringLiteral("CR"),  QStringLiteral("NAK")};
    static const int namedCodes[] = {0, 2, 3, 4, 5, 6, 10, 13, 21};
    QByteArray bytes;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] != u'<') {
            const auto byte = Codec::byteFromChar(line[i]);
            if (!byte || line[i] == u'>')
                return std::nullopt;
            bytes.append(char(*byte));
            continue;
        }
        const qsizetype close = line.indexOf(u'>', i + 1);
        if (close < 0)
            return std::nullopt;
        const QString inside = line.mid(i + 1, close - i - 1);
        const qsizetype name = named.indexOf(inside);
        bool number = false;
        const int code = inside.startsWith(QStringLiteral("0x")) && inside.size() == 4
                             ? inside.mid(2).toInt(&number, 16)
                             : inside.toInt(&number);
        if (name >= 0)
            bytes.append(char(namedCodes[name]));
        else if (number && code >= 0 && code <= 255 &&
                 (inside == QString::number(code) ||
                  inside == u"0x" + QString::number(code, 16).toUpper().rightJustified(2, u'0')))
            bytes.append(char(code));
        else
            return std::nullopt;
        i = close;
    }
    return bytes;
}
