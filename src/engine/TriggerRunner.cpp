#include "engine/TriggerRunner.h"

#include "app/modGlobal.h"
#include "engine/EngineContext.h"
#include "engine/TerminalView.h"
#include "engine/Transmitter.h"
#include "ports/SerialPortControl.h"
#include "text/StringTable.h"
#include "text/Tokens.h"
#include "text/modFormat.h"

#include <QScopedValueRollback>

#include <algorithm>

namespace {
constexpr qint32 kSwitchedOff = 2354;
constexpr qint64 kGuardWindowMs = 1000;
} // namespace

TriggerRunner::TriggerRunner(EngineContext &context, Transmitter &transmitter)
    : m(context), m_transmitter(transmitter)
{
    m_clock.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &TriggerRunner::sendDue);
}

void TriggerRunner::setRules(const TriggerSet &set)
{
    m_set = set;
    m_numbers = m_set.ruleNumbers();
    QList<QByteArray> patterns;
    for (const TriggerRule &rule : std::as_const(m_set.rules))
        patterns << DecodeToBytes(rule.when).value_or(QByteArray());
    m_matcher.setPatterns(patterns);
    m_firings.assign(std::size_t(patterns.size()), {});
    m_due.clear();
    m_timer.stop();
}

void TriggerRunner::setAllActive(bool active)
{
    m_set.active = active;
    if (!active) {
        m_due.clear();
        m_timer.stop();
    }
}

bool TriggerRunner::running() const
{
    return m_set.active && std::any_of(m_set.rules.begin(), m_set.rules.end(),
                                       [](const TriggerRule &r) { return r.active; });
}

void TriggerRunner::restart()
{
    m_matcher.reset();
    m_due.clear();
    m_timer.stop();
    for (auto &firings : m_firings)
        firings.clear();
}

void TriggerRunner::received(QByteArrayView bytes)
{
    if (!m_set.active)
        return;
    m_matcher.feed(bytes, [this](int rule, qsizetype) {
        if (m_set.rules[rule].active)
            fire(rule);
    });
}

void TriggerRunner::fire(int rule)
{
    const qint64 now = m_clock.elapsed();
    std::deque<qint64> &firings = m_firings[std::size_t(rule)];
    firings.push_back(now);
    while (now - firings.front() >= kGuardWindowMs)
        firings.pop_front();
    if (firings.size() > std::size_t(kMostFiringsPerSecond)) {
        // A reply that makes the device send the pattern again would go on
        // for ever.
        m_set.rules[rule].active = false;
        firings.clear();
        m_due.erase(std::remove_if(m_due.begin(), m_due.end(),
                                   [rule](const Due &d) { return d.rule == rule; }),
                    m_due.end());
        const QString number = QString::number(m_numbers[rule]);
        m.view.showStatusMessage(fkt_FormatInsertParam(
            fkt_ToolsGetResString(kSwitchedOff, m.settings.Language), {number}));
        Q_EMIT ruleSwitchedOff(m_numbers[rule]);
        arm();
        return;
    }
    const Due due{now + m_set.rules[rule].afterMs, rule};
    // Behind every reply due at the same time or earlier: firing order.
    const auto at = std::upper_bound(m_due.begin(), m_due.end(), due,
                                     [](const Due &a, const Due &b) { return a.atMs < b.atMs; });
    m_due.insert(at, due);
    arm();
}

void TriggerRunner::arm()
{
    // A send in progress arms the timer itself when it ends.
    if (m_sending)
        return;
    if (m_due.empty()) {
        m_timer.stop();
        return;
    }
    m_timer.start(int(std::max<qint64>(m_due.front().atMs - m_clock.elapsed(), 0)));
}

void TriggerRunner::sendDue()
{
    if (m_sending)
        return;
    {
        const QScopedValueRollback sending(m_sending, true);
        // Sending lets events run (a character delay): rules may fire meanwhile.
        while (!m_due.empty() && m_due.front().atMs <= m_clock.elapsed()) {
            const int rule = m_due.front().rule;
            m_due.pop_front();
            send(rule);
        }
    }
    arm();
}

void TriggerRunner::send(int rule)
{
    bool open = false;
    try {
        open = m.port.PortOpen();
    } catch (const PortError &) {
    }
    if (!open || m.closing || !m_set.active) {
        m_due.clear();
        return;
    }
    const TriggerRule &r = m_set.rules[rule];
    const QScopedValueRollback by(m.sendingTrigger, m_numbers[rule]);
    if (r.slot == 0) {
        m_transmitter.SendText(r.send);
        return;
    }
    const QString text = m.view.slotText(r.slot);
    if (!text.isEmpty())
        m_transmitter.sendSlotText(r.slot, text);
}
