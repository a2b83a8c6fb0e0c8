#include "text/UnexpectedError.h"

#include "text/ReportHook.h"

QString unexpectedErrorText(const QString &function, const QString &label,
                            const QString &description)
{
    return QStringLiteral("Unerwartete Ausnahme in Funktion: ") + function +
           QStringLiteral("\r\n") + label + description + u'.';
}

void reportUnexpectedError(const QString &function, const QString &label,
                           const std::exception &error)
{
    reportMessage(QStringLiteral("Lintrova"),
                  unexpectedErrorText(function, label, QString::fromLocal8Bit(error.what())));
}
