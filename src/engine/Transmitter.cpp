#include "engine/Transmitter.h"

#include "app/modGlobal.h"
#include "engine/EngineContext.h"
#include "engine/SerialPortControl.h"
#include "engine/TerminalView.h"
#include "engine/TrafficLog.h"
#include "engine/WaitMilliseconds.h"
#include "text/Codec.h"
#include "text/Tokens.h"

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
        SendText(text);
        if (m.settings.DeleteSendChars == 1)
            m.view.setSendText(QString());
    } catch (const std::exception &e) {
        m.view.showPlainMessage(QStringLiteral("Beschreibung: ") + QString::fromLocal8Bit(e.what()) +
                                QStringLiteral("\r\nFehler: ") + QString::number(0));
    }
}

void Transmitter::SendText(const QString &text)
{
    // The [OUT] line keeps the time its own transmission started, even when a
    // reception is logged during the character pauses.
    const QDateTime started = m.clock();
    const auto decoded = DecodeTokens(text);
    if (!decoded || !Codec::toBytes(*decoded))
        return;

    const bool useRts = m.settings.RTS != 0;
    bool rtsRaised = false;
    try {
        if (useRts) {
            m.port.setRTSEnable(true);
            rtsRaised = true;
        }
        for (const QChar ch : *decoded) {
            WaitMilliseconds(m.settings.CharDelay);
            m.port.setOutput(QString(ch));
        }
        if (useRts) {
            rtsRaised = false;
            m.port.setRTSEnable(false);
        }
    } catch (const PortError &) {
        // Left raised, RTS would hold a half-duplex line in transmit until the
        // next transmission.
        if (rtsRaised) {
            try {
                m.port.setRTSEnable(false);
            } catch (const PortError &) {
            }
        }
        return;
    }
    const QString content = m.settings.Peculiar != 0 ? text : *decoded;
    m.log.AppendTrafficLine(TrafficLog::Direction::Sent, content, started);
}
