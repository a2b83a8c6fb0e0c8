#include "text/modFormat.h"

#include "text/UnexpectedError.h"

namespace
{

constexpr int kMaxParams = 11;
constexpr QStringView kPlaceholder = u"%%";

bool isKeptByFieldFilter(QChar ch)
{
    return (ch >= u'0' && ch <= u'9') || ch == u'.' || ch == u'-';
}

bool isKeptByValueFilter(QChar ch)
{
    return isKeptByFieldFilter(ch) || ch == u',';
}

bool replaceFirstPlaceholder(QString &text, const QString &param)
{
    const qsizetype at = text.indexOf(kPlaceholder);
    if (at < 0)
        return false;
    text.replace(at, kPlaceholder.size(), param);
    return true;
}

} // namespace

// The three functions have no failure of their own. Should anything throw
// inside all the same (memory, for one), they show the fixed German box that
// names the function and return the empty text.

QString fkt_FormatInsertParam(QString &Template, const QStringList &Params)
{
    try {
        if (!replaceFirstPlaceholder(Template, Params.value(0)))
            return Template;
        for (int k = 1; k < kMaxParams && k < Params.size(); ++k) {
            if (Params[k].isEmpty() || !replaceFirstPlaceholder(Template, Params[k]))
                break;
        }
        return Template;
    } catch (const std::exception &error) {
        reportUnexpectedError(QStringLiteral("fkt_FormatInsertParam"), QStringLiteral("Fehler: "),
                              error);
        return QString();
    }
}

QString fkt_FormatInsertParam(const QString &Template, const QStringList &Params)
{
    QString filled = Template;
    return fkt_FormatInsertParam(filled, Params);
}

QString fkt_FormatExtractSpecParameter(const QString &Text, quint8 Index, bool OnlyNumeric,
                                       const QString &Separator)
{
    try {
        const bool canMatch = Separator.size() == 1;
        const QChar separator = canMatch ? Separator[0] : QChar();
        qsizetype fieldNumber = 0;
        QString field;
        for (qsizetype i = 0; i <= Text.size(); ++i) {
            const bool atEnd = i == Text.size();
            if (!atEnd && !(canMatch && Text[i] == separator)) {
                if (!OnlyNumeric || isKeptByFieldFilter(Text[i]))
                    field.append(Text[i]);
                continue;
            }
            if (++fieldNumber == Index)
                return field;
            field.clear();
        }
        return QString();
    } catch (const std::exception &error) {
        reportUnexpectedError(QStringLiteral("fkt_FormatExtractSpecParameter"),
                              QStringLiteral("Fehler : "), error);
        return QString();
    }
}

QString fkt_FormatFilterOnlyNumericValue(const QString &Value)
{
    try {
        if (Value.indexOf(QStringLiteral("E+"), 1) >= 0 ||
            Value.indexOf(QStringLiteral("E-"), 1) >= 0)
            return Value;
        if (Value.isEmpty())
            return QStringLiteral("0");
        QString kept;
        for (const QChar ch : Value) {
            if (isKeptByValueFilter(ch))
                kept.append(ch);
        }
        return kept;
    } catch (const std::exception &error) {
        reportUnexpectedError(QStringLiteral("fkt_FormatFilterOnlyNumericValue"),
                              QStringLiteral("Fehler: "), error);
        return QString();
    }
}
