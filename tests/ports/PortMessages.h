#pragma once

#include "text/StringTable.h"

#include <QList>
#include <QRegularExpression>
#include <QString>

// Whether a message of the port layer is a German text of the string table
// with its %% filled in, the system's own words perhaps following in
// parentheses at the end.
inline bool isGermanTableText(const QString &message)
{
    static const QList<QRegularExpression> forms = [] {
        QList<QRegularExpression> all;
        for (qint32 id = 1000; id < 10000; ++id) {
            const QString text = fkt_ToolsGetResStringGerman(id);
            if (text.isEmpty() || text == QLatin1String("%%"))
                continue;
            QString pattern = QRegularExpression::escape(text);
            pattern.replace(QLatin1String("\\%\\%"), QLatin1String("(.+)"));
            all.append(QRegularExpression(QRegularExpression::anchoredPattern(pattern)));
        }
        return all;
    }();
    const auto isForm = [](const QString &text) {
        for (const QRegularExpression &form : forms) {
            if (form.match(text).hasMatch())
                return true;
        }
        return false;
    };
    if (isForm(message))
        return true;
    const qsizetype open = message.lastIndexOf(QLatin1String(" ("));
    return message.endsWith(u')') && open > 0 && isForm(message.left(open));
}
