#include "engine/TriggerCheck.h"

#include "engine/NotSentNotice.h"
#include "text/StringTable.h"
#include "text/Tokens.h"
#include "text/modFormat.h"

namespace {

constexpr NotSentNotice::FaultTexts kFaultTexts{2368, 2369, 2370, 2371, 2372};
constexpr qint32 kWhenEmpty = 2373;
constexpr qint32 kSendEmpty = 2374;
constexpr qint32 kBadNumber = 2375;
constexpr qint32 kTooMany = 2376;
constexpr qint32 kSkipped = 2353;

QString tokenFault(const QString &text, quint8 language)
{
    DecodeFault fault;
    if (DecodeToBytes(text, &fault))
        return {};
    return NotSentNotice::text(kFaultTexts, text, fault, NotSentNotice::Where::Box, language);
}

} // namespace

QString TriggerCheck::fault(const TriggerRule &rule, quint8 language)
{
    if (!rule.badKey.isEmpty())
        return fkt_FormatInsertParam(fkt_ToolsGetResString(kBadNumber, language), {rule.badKey});
    if (rule.when.isEmpty())
        return fkt_ToolsGetResString(kWhenEmpty, language);
    if (QString fault = tokenFault(rule.when, language); !fault.isEmpty())
        return fault;
    if (rule.slot > 0)
        return {};
    if (rule.send.isEmpty())
        return fkt_ToolsGetResString(kSendEmpty, language);
    return tokenFault(rule.send, language);
}

void TriggerCheck::skipUnusable(TriggerSet &set, quint8 language)
{
    QList<TriggerRule> usable;
    for (const TriggerRule &rule : std::as_const(set.rules)) {
        QString reason = fault(rule, language);
        if (reason.isEmpty() && usable.size() == TriggerSet::kMostRules)
            reason = fkt_ToolsGetResString(kTooMany, language);
        if (reason.isEmpty())
            usable << rule;
        else
            set.skipped.append({rule.number, rule.section, reason});
    }
    set.rules = usable;
}

QString TriggerCheck::skippedText(const TriggerSet &set, quint8 language)
{
    QStringList texts;
    for (const TriggerSet::Skipped &skipped : set.skipped)
        texts << fkt_FormatInsertParam(fkt_ToolsGetResString(kSkipped, language),
                                       {QString::number(skipped.number), skipped.reason});
    return texts.join(QStringLiteral("; "));
}
