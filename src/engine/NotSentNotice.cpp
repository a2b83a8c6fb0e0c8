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

// A pasted TAB or line end would be drawn as nothing.
QString shownFault(const QString &text, qsizetype start, qsizetype length)
{
    QString shown = text.mid(start, length);
    if (shown.size() > kShownLength)
        shown = shown.left(kShownLength - 1) + QChar(0x2026);
    return SpellControlChars(shown);
}

qint32 templateOf(const NotSentNotice::FaultTexts &ids, DecodeFault::Kind kind)
{
    switch (kind) {
    case DecodeFault::Kind::NoByte:
        return ids.noByte;
    case DecodeFault::Kind::OpenHex:
        return ids.openHex;
    case DecodeFault::Kind::OddHex:
        return ids.oddHex;
    case DecodeFault::Kind::NotHexDigit:
        return ids.notHexDigit;
    case DecodeFault::Kind::Token:
        break;
    }
    return ids.token;
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

QString NotSentNotice::text(const FaultTexts &ids, const QString &text, const DecodeFault &fault,
                            Where where, quint8 language)
{
    const qint32 place = where == Where::Prefix ? 1 : where == Where::Suffix ? 2 : 0;
    QStringList params{shownFault(text, fault.start, fault.length)};
    if (fault.kind == DecodeFault::Kind::NotHexDigit) {
        const qsizetype at = fault.detail;
        const bool pair = text.at(at).isHighSurrogate() && at + 1 < text.size() &&
                          text.at(at + 1).isLowSurrogate();
        params << shownFault(text, at, pair ? 2 : 1);
    }
    return fkt_FormatInsertParam(
        fkt_ToolsGetResString(templateOf(ids, fault.kind) + place, language), params);
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
        NotSentNotice::text(kSendTexts, text, fault, where, m.settings.Language));
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
