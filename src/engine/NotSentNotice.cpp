#include "engine/NotSentNotice.h"

#include "app/modGlobal.h"
#include "engine/EngineContext.h"
#include "engine/TerminalView.h"
#include "text/StringTable.h"
#include "text/modFormat.h"

#include <algorithm>

namespace {

// A token longer than this ('<' and three thousand characters before the next
// '>') is shown by its beginning; the selection still covers it whole.
constexpr qsizetype kShownLength = 40;

QString shownFault(const QString &text, const DecodeFault &fault)
{
    QString shown = text.mid(fault.start, fault.length);
    if (shown.size() > kShownLength)
        shown = shown.left(kShownLength - 1) + QChar(0x2026);
    // A pasted TAB or line end would be drawn as nothing.
    return SpellControlChars(shown);
}

} // namespace

NotSentNotice::Where NotSentNotice::whereIs(const DecodeFault &fault, Parts parts)
{
    if (fault.start < parts.prefixLength)
        return Where::Prefix;
    if (fault.start < parts.prefixLength + parts.boxLength)
        return Where::Box;
    return Where::Suffix;
}

QString NotSentNotice::text(qint32 tokenId, qint32 charId, const QString &text,
                            const DecodeFault &fault, Where where, quint8 language)
{
    const qint32 id = fault.kind == DecodeFault::Kind::NoByte ? charId : tokenId;
    const qint32 place = where == Where::Prefix ? 1 : where == Where::Suffix ? 2 : 0;
    return fkt_FormatInsertParam(fkt_ToolsGetResString(id + place, language),
                                 {shownFault(text, fault)});
}

void NotSentNotice::tell(Source source, const QString &text, const DecodeFault &fault, Parts parts,
                         bool byUser)
{
    const int key = int(source);
    if (!byUser) {
        const auto told = m_told.constFind(key);
        if (told != m_told.constEnd() && *told == text)
            return;
    }
    m_told.insert(key, text);
    const Where where = whereIs(fault, parts);
    m.view.showStatusMessage(
        NotSentNotice::text(kBadTokenText, kNoByteText, text, fault, where, m.settings.Language));
    if (!byUser || source != Source::SendBox || where != Where::Box)
        return;
    // A token that runs on into the suffix is selected as far as the box goes.
    const qsizetype start = fault.start - parts.prefixLength;
    const qsizetype end = std::min(fault.start + fault.length,
                                   parts.prefixLength + parts.boxLength) -
                          parts.prefixLength;
    m.view.selectInSendBox(start, end - start);
}

void NotSentNotice::sent(Source source)
{
    m_told.remove(int(source));
}
