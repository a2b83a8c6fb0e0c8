#include "app/DesktopLanguage.h"

namespace DesktopLanguage {

Kind of(const QString &locale)
{
    qsizetype end = 0;
    while (end < locale.size() && locale[end] != u'_' && locale[end] != u'.' && locale[end] != u'@')
        ++end;
    const QString language = locale.left(end).toLower();
    if (language.size() < 2 || language.size() > 3)
        return Kind::None; // C, POSIX and anything that is no language name
    for (const QChar c : language) {
        if (c < u'a' || c > u'z')
            return Kind::None;
    }
    return language == QLatin1String("de") ? Kind::German : Kind::Other;
}

Kind current()
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QString value = qEnvironmentVariable(name);
        if (!value.isEmpty())
            return of(value);
    }
    return Kind::None;
}

std::optional<quint8> firstStartLanguage()
{
    if (current() == Kind::Other)
        return quint8(1);
    return std::nullopt;
}

} // namespace DesktopLanguage
