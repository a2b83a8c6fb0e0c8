#include "text/modFormat.h"

#include "text/ReportHook.h"

#include <exception>

namespace {

constexpr int kMaxParams = 11;
constexpr QStringView kPlaceholder = u"%%";

// These functions have no failure of their own; should anything throw inside
// (memory, for one), the box names the function and the text they return is
// empty.
void reportUnexpected(const char *function, const char *label, const std::exception &error)
{
    reportMessage(QStringLiteral("Lintrova"),
                  QStringLiteral("Unerwartete Ausnahme in Funktion: ") + QLatin1String(function)
                      + QStringLiteral("\r\n") + QLatin1String(label)
                      + QString::fromLocal8Bit(error.what()) + QStringLiteral("."));
}

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
        reportUnexpected("fkt_FormatInsertParam", "Fehler: ", error);
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
        reportUnexpected("fkt_FormatExtractSpecParameter", "Fehler : ", error);
        return QString();
    }
}

QString fkt_FormatFilterOnlyNumericValue(const QString &Value)
{
    try {
        if (Value.indexOf(QStringLiteral("E+"), 1) >= 0 || Value.indexOf(QStringLiteral("E-"), 1) >= 0)
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
        reportUnexpected("fkt_FormatFilterOnlyNumericValue", "Fehler: ", error);
        return QString();
    }
}
