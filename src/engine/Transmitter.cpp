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

namespace {

constexpr qint32 kNotSent = 2005;

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

} // namespace

Transmitter::Transmitter(EngineContext &context) : m(context)
{
    m_heldMessage.setSingleShot(true);
    QObject::connect(&m_heldMessage, &QTimer::timeout, &m_heldMessage,
                     [this] { endHeldMessage(); });
}

void Transmitter::cmdSend_Click()
{
    try {
        const QString typed = m.view.sendText();
        if (typed.isEmpty())
            return;
        QString text = typed;
        if (m.settings.PrefixOption == 1)
            text = m.settings.PrefixChars + text;
        if (m.settings.ReadjustOption == 1)
            text = text + m.settings.ReadjustChars;
        const Outcome outcome = SendText(text);
        // A text the port could not take because its device is gone is
        // still there to send once it is back.
        const bool portGone = outcome == Outcome::PortFailed &&
                              (m.port.deviceGone() || !m.port.PortOpen());
        // So is one the other end did not take while it held the line.
        const bool held = outcome == Outcome::PortFailed && !portGone &&
                          m_failureNumber == PortErrors::WriteTimeout;
        if (held)
            showHeld();
        else if (outcome == Outcome::Sent && m_heldMessage.isActive())
            endHeldMessage();
        if (m.settings.DeleteSendChars == 1 && !portGone && !held)
            m.view.setSendText(QString());
    } catch (const std::exception &e) {
        m.view.showPlainMessage(QStringLiteral("Beschreibung: ") + QString::fromLocal8Bit(e.what()) +
                                QStringLiteral("\r\nFehler: ") + QString::number(0));
    }
}

Transmitter::Outcome Transmitter::SendText(const QString &text)
{
    // The [OUT] line keeps the time its own transmission started, even when a
    // reception is logged during the character pauses.
    m_failureNumber = 0;
    if (m.closing)
        return Outcome::PortFailed;
    const QDateTime started = m.clock();
    const auto decoded = DecodeTokens(text);
    if (!decoded || !Codec::toBytes(*decoded))
        return Outcome::NotSendable;

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
        for (const QChar ch : *decoded) {
            pacer.pause();
            if (m.closing)
                throw PortError(0, QStringLiteral("the program is ending"));
            if (m.userClosings != closings)
                throw PortError(0, QStringLiteral("the port was closed"));
            m.port.setOutput(QString(ch));
            ++sent;
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
            const QString part = decoded->left(sent);
            m.log.AppendTrafficLine(TrafficLog::Direction::Sent,
                                    m.settings.Peculiar != 0 ? EncodeControlChars(part) : part,
                                    started);
        }
        return Outcome::PortFailed;
    }
    const QString content = m.settings.Peculiar != 0 ? text : *decoded;
    m.log.AppendTrafficLine(TrafficLog::Direction::Sent, content, started);
    return Outcome::Sent;
}

// The status bar says why the text was not sent: the port's own words.
void Transmitter::showHeld()
{
    m.view.setStatusText(fkt_FormatInsertParam(fkt_ToolsGetResString(kNotSent, m.settings.Language),
                                               {m_failureText}));
    m_heldMessage.start(kHeldMessageMs);
}

void Transmitter::endHeldMessage()
{
    m_heldMessage.stop();
    if (m.showPortStatus)
        m.showPortStatus();
}
