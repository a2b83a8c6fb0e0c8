#include "app/PathKeys.h"

#include "text/Codec.h"
#include "text/Utf8.h"

#include <QUrl>

#include <optional>

namespace {

// Line ends cannot stay in a value, so they count as characters without a byte.
QString narrowForm(const QString &path)
{
    QString narrow = Codec::toText(Codec::toBytesReplacing(path, '?'));
    narrow.replace(u'\r', u'?');
    narrow.replace(u'\n', u'?');
    return narrow;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Every '%' and two hex digits as the byte they name, the other bytes as
// they are; nothing when a '%' has no two hex digits after it (the value was
// edited by hand).
std::optional<QByteArray> percentDecoded(QByteArrayView text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            bytes.append(text[i]);
            continue;
        }
        const int high = i + 2 < text.size() ? hexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? hexDigit(text[i + 2]) : -1;
        if (low < 0)
            return std::nullopt;
        bytes.append(char(high * 16 + low));
        i += 2;
    }
    return bytes;
}

} // namespace

namespace PathKeys {

Values store(const QString &path)
{
    const QString narrow = narrowForm(path);
    if (narrow == path)
        return {path, QString()};
    // '/' stays readable; everything but letters, digits and -._~ is encoded.
    return {narrow, QString::fromLatin1(QUrl::toPercentEncoding(path, "/"))};
}

QString load(const QString &narrow, const QString &wide)
{
    const auto text = Codec::toBytes(wide);
    const auto bytes = text ? percentDecoded(*text) : std::nullopt;
    const auto path = bytes ? Utf8::decode(*bytes) : std::nullopt;
    if (!path || path->isEmpty() || narrowForm(*path) != narrow)
        return narrow;
    return *path;
}

bool canKeep(const QString &path)
{
    return Utf8::carries(path);
}

} // namespace PathKeys
