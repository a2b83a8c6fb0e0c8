#include "text/Utf8.h"

#include <QStringDecoder>

namespace {

// The length of the sequence a byte begins (0: no first byte of one), and
// the range its second byte must lie in.
struct Lead {
    int length = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
};

Lead leadOf(uchar b)
{
    if (b < 0x80)
        return {1};
    if (b >= 0xC2 && b <= 0xDF)
        return {2};
    if (b == 0xE0)
        return {3, 0xA0, 0xBF}; // no overlong form
    if (b == 0xED)
        return {3, 0x80, 0x9F}; // no surrogate
    if (b >= 0xE1 && b <= 0xEF)
        return {3};
    if (b == 0xF0)
        return {4, 0x90, 0xBF}; // no overlong form
    if (b >= 0xF1 && b <= 0xF3)
        return {4};
    if (b == 0xF4)
        return {4, 0x80, 0x8F}; // nothing past U+10FFFF
    return {};
}

} // namespace

namespace Utf8 {

bool isValid(QByteArrayView bytes)
{
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        const Lead lead = leadOf(uchar(bytes[i]));
        if (lead.length == 0 || size - i < lead.length)
            return false;
        if (lead.length > 1 && (uchar(bytes[i + 1]) < lead.low || uchar(bytes[i + 1]) > lead.high))
            return false;
        for (int k = 2; k < lead.length; ++k) {
            if ((uchar(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += lead.length;
    }
    return true;
}

std::optional<QString> decode(QByteArrayView bytes)
{
    if (!isValid(bytes))
        return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return QString(utf8.decode(bytes));
}

bool carries(const QString &text)
{
    return decode(text.toUtf8()) == text;
}

} // namespace Utf8
