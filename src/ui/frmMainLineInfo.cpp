// The status bar's field about the selected line of the log.

#include "ui/frmMain.h"

#include "app/modGlobal.h"
#include "engine/LineTiming.h"
#include "engine/TerminalEngine.h"
#include "text/Checksums.h"
#include "text/StringTable.h"
#include "ui/LogView.h"
#include "text/modFormat.h"

#include <QLabel>
#include <QLocale>

namespace {

constexpr qint32 kNewLines = 2158;
constexpr qint32 kOneNewLine = 2159;
constexpr qint32 kSincePrevious = 2175;
constexpr qint32 kReplyWithQuiet = 2176;
constexpr qint32 kReply = 2177;
constexpr qint32 kFieldName = 2178;
constexpr qint32 kCheckRight = 2241;
constexpr qint32 kCheckWrong = 2242;
constexpr qint32 kByTrigger = 2355;

} // namespace

// Following a stream, the selection moves with every new line: the field
// then follows at most every 100 ms, since each new text lays the status bar
// out again (that cost as much as the whole log). A line the user selects is
// told at once.
void frmMain::selectionMoved()
{
    const TrafficLog &log = m_engine->log();
    const bool followed = log.followNewLines() && log.selectedIndex() == log.count() - 1;
    if (!followed)
        updateLineInfo();
    else if (!m_lineInfoTimer.isActive())
        m_lineInfoTimer.start();
}

// While the view is held, how many lines came in since. Then the time since
// the line before the selected one, and for a received line the reply time
// since the last sent line. A received line is stamped after its quiet wait,
// so the reply time names the quiet time it includes. Then the check of the
// checksum the line carries, when one is chosen; for a line a trigger rule
// sent, the rule.
void frmMain::updateLineInfo()
{
    m_lineInfoTimer.stop();
    const quint8 lang = m_settings.Language;
    auto res = [lang](qint32 id) { return fkt_ToolsGetResString(id, lang); };
    const TrafficLog &log = m_engine->log();
    QStringList parts;
    const int held = log.followNewLines() ? 0 : log.heldLines();
    if (held == 1)
        parts << res(kOneNewLine);
    else if (held > 1)
        parts << fkt_FormatInsertParam(
            res(kNewLines),
            {QLocale(lang == 0 ? QLocale::German : QLocale::English).toString(held)});
    const std::optional<LineTiming> timing = lineTiming(log, log.selectedIndex());
    if (timing && timing->sincePrevious)
        parts << fkt_FormatInsertParam(res(kSincePrevious),
                                       {QString::number(*timing->sincePrevious)});
    if (timing && timing->sinceLastSent) {
        const QString reply = QString::number(*timing->sinceLastSent);
        parts << (timing->quietMs >= 0
                      ? fkt_FormatInsertParam(res(kReplyWithQuiet),
                                              {reply, QString::number(timing->quietMs)})
                      : fkt_FormatInsertParam(res(kReply), {reply}));
    }
    if (const auto check = lstSendReceive->checkOf(log.selectedIndex())) {
        const QString name = checksumName(kChecksums[m_settings.CheckSum - 1]);
        parts << (check->correct
                      ? fkt_FormatInsertParam(res(kCheckRight), {name})
                      : fkt_FormatInsertParam(res(kCheckWrong), {name, hexBytes(check->expected),
                                                                 hexBytes(check->received)}));
    }
    const int selected = log.selectedIndex();
    if (selected >= 0 && selected < log.count() && log.trigger(selected) > 0)
        parts << fkt_FormatInsertParam(res(kByTrigger), {QString::number(log.trigger(selected))});
    const QString text = parts.join(QStringLiteral(", "));
    lblLineInfo->setText(text);
    lblLineInfo->setAccessibleName(res(kFieldName));
    lblLineInfo->setAccessibleDescription(text);
    lblLineInfo->setToolTip(text);
    lblLineInfo->setVisible(!text.isEmpty() && !m_fileSending);
}
