// The status bar's field about the selected line of the log.

#include "ui/frmMain.h"

#include "app/modGlobal.h"
#include "engine/LineTiming.h"
#include "engine/TerminalEngine.h"
#include "text/StringTable.h"
#include "text/modFormat.h"

#include <QLabel>

// The time since the line before, and for a received line the reply time
// since the last sent line. A received line is stamped after its quiet wait,
// so the reply time names the quiet time it includes.
void frmMain::updateLineInfo()
{
    const quint8 lang = m_settings.Language;
    auto res = [lang](qint32 id) { return fkt_ToolsGetResString(id, lang); };
    lblLineInfo->setAccessibleName(res(2178));
    const TrafficLog &log = m_engine->log();
    const std::optional<LineTiming> timing = lineTiming(log, log.selectedIndex());
    QStringList parts;
    if (timing && timing->sincePrevious)
        parts << fkt_FormatInsertParam(res(2175), {QString::number(*timing->sincePrevious)});
    if (timing && timing->sinceLastSent) {
        const QString reply = QString::number(*timing->sinceLastSent);
        parts << (timing->quietMs >= 0
                      ? fkt_FormatInsertParam(res(2176), {reply, QString::number(timing->quietMs)})
                      : fkt_FormatInsertParam(res(2177), {reply}));
    }
    lblLineInfo->setText(parts.join(QStringLiteral(", ")));
    lblLineInfo->setVisible(!parts.isEmpty());
}
