#include "engine/Transmitter.h"

#include "app/modGlobal.h"
#include "engine/EngineContext.h"
#include "engine/TerminalView.h"
#include "engine/TrafficLog.h"
#include "host/WaitMilliseconds.h"
#include "ports/PortErrors.h"
#include "ports/SerialPortControl.h"
#include "text/Codec.h"
#include "text/StringTable.h"
#include "text/Tokens.h"
#include "text/modFormat.h"

#include <QScopedValueRollback>

namespace {

constexpr qint32 kNotSent = 2005;
constexpr qint16 kBreakPollMs = 5;

// Paces the characters of a transmission. Each pause is counted from where
// the previous one should have ended, so the small lateness of every wake-up
// does not add up over a long text; a pause is never more than a millisecond
// short of the delay, and after a long interruption the full delay applies.
class CharacterPacer {
public:
    explicit CharacterPacer(qint16 delayMs) : m_delayNs(qint64(delayMs) * 1'000'000)
    {
        m_next = QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs();
    }
    void pause()
    {
        if (m_delayNs <= 0)
            return;
        const qint64 now = QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs();
        m_next += m_delayNs;
        if (m_next < now + m_delayNs - kToleranceNs)
            m_next = now + m_delayNs;
        QDeadlineTimer deadline(Qt::PreciseTimer);
        deadline.setPreciseDeadline(0, m_next, Qt::PreciseTimer);
        WaitUntil(deadline);
    }

private:
    static constexpr qint64 kToleranceNs = 1'000'000;
    qint64 m_delayNs;
    qint64 m_next;
};

// A hex token that the prefix or the box leaves open is not closed by what
// follows it (a suffix of "<CR>" is no '>' of the telegram): it is refused as
// one that the whole text leaves open.
bool openHexInParts(const QString &prefix, const QString &typed, DecodeFault &fault)
{
    qsizetype offset = 0;
    for (const QString *part : {&prefix, &typed}) {
        const qsizetype at = openHexTokenAt(*part);
        if (at >= 0) {
            fault = {DecodeFault::Kind::OpenHex, offset + at, part->size() - at};
            return true;
        }
        offset += part->size();
    }
    return false;
}

} // namespace

void Transmitter::cmdSend_Click()
{
    try {
        const QString typed = m.view.sendText();
        if (typed.isEmpty())
            return;
        const QString prefix = m.settings.PrefixOption == 1 ? m.settings.PrefixChars : QString();
        const QString suffix =
            m.settings.ReadjustOption == 1 ? m.settings.ReadjustChars : QString();
        const QString text = prefix + typed + suffix;
        DecodeFault fault;
        // A fault of the whole text is told first.
        const Outcome outcome = openHexInParts(prefix, typed, fault) && DecodeToBytes(text)
                                    ? Outcome::NotSendable
                                    : SendText(text, &fault);
        if (outcome == Outcome::NotSendable) {
            // Nothing went out: the text stays where the user can mend it.
            m_notice.tell(NotSentNotice::Source::SendBox, text, fault,
                          {prefix.size(), typed.size()}, !m.repetitionSending);
            m_messageShown = true;
            return;
        }
        if (outcome == Outcome::Sent) {
            m_notice.sent(NotSentNotice::Source::SendBox);
            // What the status bar said about the box's last text is past.
            if (m_messageShown)
                m.view.clearStatusMessage();
            m_messageShown = false;
        }
        // A text the port could not take because its device is gone is
        // still there to send once it is back.
        const bool portGone = outcome == Outcome::PortFailed &&
                              (m.port.deviceGone() || !m.port.PortOpen());
        // So is one the other end did not take while it held the line.
        const bool held = outcome == Outcome::PortFailed && !portGone &&
                          m_failureNumber == PortErrors::WriteTimeout;
        if (held)
            showHeld();
        if (m.settings.DeleteSendChars == 1 && !portGone && !held)
            m.view.setSendText(QString());
    } catch (const std::exception &e) {
        m.view.showPlainMessage(QStringLiteral("Beschreibung: ") + QString::fromLocal8Bit(e.what()) +
                                QStringLiteral("\r\nFehler: ") + QString::number(0));
    }
}

Transmitter::Outcome Transmitter::sendSlotText(int slot, const QString &text)
{
    const auto source = NotSentNotice::Source(int(NotSentNotice::Source::Slot1) + slot - 1);
    DecodeFault fault;
    const Outcome outcome = SendText(text, &fault);
    if (outcome == Outcome::NotSendable)
        m_notice.tell(source, text, fault, {0, text.size()}, !m.repetitionSending);
    else if (outcome == Outcome::Sent)
        m_notice.sent(source);
    return outcome;
}

Transmitter::Outcome Transmitter::SendText(const QString &text, DecodeFault *fault)
{
    // The [OUT] line keeps the time its own transmission started, even when a
    // reception is logged during the character pauses.
    m_failureNumber = 0;
    if (m.closing)
        return Outcome::PortFailed;
    const QDateTime started = m.clock();
    const auto bytes = DecodeToBytes(text, fault);
    if (!bytes)
        return Outcome::NotSendable;
    const QString decoded = Codec::toText(*bytes);
    // A break in progress holds the line; the text follows once it ends.
    while (m.breakHolding && !m.closing)
        WaitMilliseconds(kBreakPollMs);
    if (m.beforeTransmit)
        m.beforeTransmit();
    const QScopedValueRollback transmitting(m.transmitting, true);

    const bool useRts = m.settings.RTS != 0;
    bool rtsRaised = false;
    // The user closing the port ends the transmission; what had gone out by
    // then is logged, and nothing goes to a port opened again meanwhile.
    const quint64 closings = m.userClosings;
    qsizetype sent = 0;
    try {
        if (useRts) {
            m.port.setRTSEnable(true);
            rtsRaised = true;
        }
        CharacterPacer pacer(m.settings.CharDelay);
        // Without a delay the whole text goes to the port in one call, which
        // writes it in as few pieces as the device takes: a telegram whose
        // bytes must follow each other closely (Modbus RTU) stays whole.
        const qsizetype step = m.settings.CharDelay > 0 ? 1 : decoded.size();
        while (sent < decoded.size()) {
            pacer.pause();
            if (m.closing)
                throw PortError(0, QStringLiteral("the program is ending"));
            if (m.userClosings != closings)
                throw PortError(0, QStringLiteral("the port was closed"));
            m.port.setOutput(decoded.mid(sent, step));
            sent += step;
        }
        if (useRts) {
            rtsRaised = false;
            m.port.setRTSEnable(false);
        }
    } catch (const PortError &e) {
        m_failureNumber = e.number();
        m_failureText = e.description();
        // Left raised, RTS would hold a half-duplex line in transmit until the
        // next transmission.
        if (rtsRaised) {
            try {
                m.port.setRTSEnable(false);
            } catch (const PortError &) {
                // The transmission has failed already; this adds nothing.
            }
        }
        if (m.portFailed)
            m.portFailed();
        if (sent > 0 && m.userClosings != closings) {
            // The line holds what went out; the typed text no longer matches
            // it, so its control characters show as tokens.
            m.log.AppendTrafficLine(TrafficLog::Direction::Sent, decoded.left(sent), started,
                                    m.settings.Peculiar != 0 ? TrafficLog::TextForm::Tokens
                                                             : TrafficLog::TextForm::Raw,
                                    QString(), m.sendingTrigger);
        }
        return Outcome::PortFailed;
    }
    // The line keeps the bytes that went out; the text view shows the text as
    // typed when Peculiar is set.
    const auto form =
        m.settings.Peculiar != 0 ? TrafficLog::TextForm::Typed : TrafficLog::TextForm::Raw;
    m.log.AppendTrafficLine(TrafficLog::Direction::Sent, decoded, started, form, text,
                            m.sendingTrigger);
    return Outcome::Sent;
}

// The status bar says why the text was not sent, in the port's own words,
// for a few seconds.
void Transmitter::showHeld()
{
    m.view.showStatusMessage(fkt_FormatInsertParam(
        fkt_ToolsGetResString(kNotSent, m.settings.Language), {m_failureText}));
    m_messageShown = true;
}
