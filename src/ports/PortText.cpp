#include "ports/PortText.h"

#include "text/QuotedValue.h"
#include "text/StringTable.h"

#include <cstring>

namespace PortText {

// Each %% in turn takes the next parameter, empty or not; a parameter that
// holds %% itself (a device path, a server's words) is never filled again,
// and a long one (a path of a hand-edited Ports.ini) is shortened.
QString text(quint8 language, qint32 id, const QStringList &params)
{
    const QString form = fkt_ToolsGetResString(id, language);
    const QLatin1String placeholder("%%");
    QString filled;
    qsizetype from = 0;
    for (const QString &param : params) {
        const qsizetype at = form.indexOf(placeholder, from);
        if (at < 0)
            break;
        filled += QStringView(form).mid(from, at - from);
        filled += quotedValue(param);
        from = at + placeholder.size();
    }
    filled += QStringView(form).mid(from);
    return filled;
}

QString withSystemText(quint8 language, qint32 id, const QStringList &params, int err)
{
    return text(language, id, params) + QStringLiteral(" (") + systemText(err) + u')';
}

QString systemText(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

} // namespace PortText
