#include "engine/PortConnection.h"

#include "app/modGlobal.h"
#include "ports/DeviceReturnWatch.h"
#include "engine/EngineContext.h"
#include "ports/PortTables.h"
#include "ports/SerialPortControl.h"
#include "engine/TerminalView.h"
#include "text/StringTable.h"
#include "text/modFormat.h"

#include <QScopedValueRollback>
#include <QTimer>

#include <utility>

namespace {
constexpr qint32 kNoConnectionText = 1600;
constexpr qint32 kConnectedTemplate = 1601;
constexpr qint32 kErrorTemplate = 1602;
constexpr qint32 kErrorTitle = 1603;
constexpr qint32 kOpenAction = 1605;
constexpr qint32 kHandshakeWord = 1522;

// Marks an opening in progress for as long as it runs, however it ends.
class OpeningGuard {
public:
    explicit OpeningGuard(bool &flag) : m_flag(flag) { m_flag = true; }
    ~OpeningGuard() { m_flag = false; }
    OpeningGuard(const OpeningGuard &) = delete;
    OpeningGuard &operator=(const OpeningGuard &) = delete;

private:
    bool &m_flag;
};
} // namespace

PortConnection::PortConnection(EngineContext &context)
    : m(context), m_return(std::make_unique<DeviceReturnWatch>(DeviceReturnWatch::Hooks{
                      [this] { return !m.closing && !m.view.modalDialogOpen(); },
                      [this] { return reopenLostPort(); }}))
{
    // A port across the network says what it waits for while it connects.
    m.port.setWaitHandler([this](const QString &text) {
        if (text.isEmpty())
            return;
        m.view.setStatusText(text);
        m_waitShown = true;
    });
}

PortConnection::~PortConnection()
{
    m.port.setWaitHandler({});
}

void PortConnection::fkt_MainOpenPort()
{
    // Closing waits for queued characters while timers run, and a poll then
    // processes input: a second press of Accept must not open the port
    // inside the opening.
    if (m_opening) {
        // A try to reopen a lost port across the network may wait for its
        // server for seconds; it gives way, and this opening follows once
        // it has ended.
        if (m_reopening) {
            m_openAfterReopening = true;
            m.port.setPortOpen(false);
        }
        return;
    }
    const OpeningGuard opening(m_opening);
    const quint8 lang = m.settings.Language;
    m.view.setStatusText(fkt_ToolsGetResString(kNoConnectionText, lang));
    fkt_MainEnableControls(false);
    m_waitShown = false;
    try {
        openWithSettings();
    } catch (const PortError &e) {
        // A lost device still comes back to its number, not to another one.
        if (m.settings.ComPort + 1 != m_lostComNumber)
            stopAwaiting();
        if (m_waitShown)
            m.view.setStatusText(fkt_ToolsGetResString(kNoConnectionText, lang));
        // The window closed during the wait: nobody is there to read a box.
        if (m.closing)
            return;
        reportOpenFailure(e.number(), e.description());
        return;
    }
    stopAwaiting();
    fkt_MainEnableControls(true);
    m.view.setStatusText(connectedStatusText());
}

void PortConnection::openWithSettings()
{
    if (m.port.PortOpen())
        m.port.setPortOpen(false);
    const QString baud = PortTables::baudText(m.settings.Baudrate);
    const QString format = PortTables::formatText(m.settings.Dataformat);
    m.port.setCommPort(qint16(m.settings.ComPort + 1));
    m.port.setSettings(baud + format);
    m.port.setInBufferSize(2048);
    m.port.setInputLen(0);
    m.port.setRThreshold(1);
    m.port.setSThreshold(1);
    m.port.setEOFEnable(false);
    m.port.setHandshaking(qint32(m.settings.Handshake));
    m.port.setDTREnable(m.settings.DTR != 0);
    if (!m.port.PortOpen())
        m.port.setPortOpen(true);
}

void PortConnection::portLost()
{
    const quint8 lang = m.settings.Language;
    m.view.setStatusText(fkt_ToolsGetResString(kNoConnectionText, lang));
    fkt_MainEnableControls(false);
    const QString path = m.port.devicePath();
    const QString givenUp = m.port.givenUpReason();
    try {
        m.port.setPortOpen(false);
    } catch (const PortError &) {
        // Closing a vanished device has nothing left to fail on; the port
        // counts as closed either way.
    }
    if (!givenUp.isEmpty()) {
        // The port gave the device up for good: nothing to wait for, and
        // the user is told why.
        stopAwaiting();
        m.view.showCriticalMessage(fkt_ToolsGetResString(kErrorTitle, lang), givenUp);
        return;
    }
    m_lostComNumber = m.settings.ComPort + 1;
    if (!path.isEmpty())
        m_return->start(path);
}

bool PortConnection::reopenLostPort()
{
    if (m_opening || m.settings.ComPort + 1 != m_lostComNumber || !m.port.sameDeviceBack())
        return false;
    bool opened = false;
    {
        const OpeningGuard opening(m_opening);
        const QScopedValueRollback reopening(m_reopening, true);
        try {
            openWithSettings();
            opened = true;
        } catch (const PortError &) {
            // Not yet (permissions come a moment later, a server is still
            // down); the watch tries again.
        }
    }
    if (std::exchange(m_openAfterReopening, false)) {
        // Once the try has unwound: it runs inside the watch's own call.
        QTimer::singleShot(0, m_return.get(), [this] {
            if (!m.closing)
                fkt_MainOpenPort();
        });
        return false;
    }
    if (!opened)
        return false;
    m_lostComNumber = 0;
    fkt_MainEnableControls(true);
    m.view.setStatusText(connectedStatusText());
    return true;
}

bool PortConnection::awaitingDevice() const
{
    return m_return->active();
}

void PortConnection::stopAwaiting()
{
    m_lostComNumber = 0;
    m_return->stop();
}

void PortConnection::showPortStatus()
{
    if (m.port.PortOpen() && !m.port.deviceGone())
        m.view.setStatusText(connectedStatusText());
}

QString PortConnection::connectedStatusText() const
{
    const quint8 lang = m.settings.Language;
    // A data format outside the table opens as 8N1, so the status names that
    // format rather than an unrelated text of the string table.
    const quint8 format =
        m.settings.Dataformat < PortTables::kFormatCount ? m.settings.Dataformat : 0;
    return fkt_FormatInsertParam(
        fkt_ToolsGetResString(kConnectedTemplate, lang),
        {QString::number(m.settings.ComPort + 1), PortTables::baudText(m.settings.Baudrate),
         fkt_ToolsGetResString(PortTables::kFirstFormatDescriptionId + format, lang),
         fkt_ToolsGetResString(kHandshakeWord, lang) + u' ' +
             PortTables::handshakeName(m.settings.Handshake)});
}

void PortConnection::reportOpenFailure(qint32 number, const QString &description)
{
    const quint8 lang = m.settings.Language;
    fkt_MainEnableControls(false);
    m.settings.LastErrorText = description;
    m.settings.LastErrorNumber = number;
    const QString crlf = QStringLiteral("\r\n");
    const QString report = fkt_FormatInsertParam(
        fkt_ToolsGetResString(kErrorTemplate, lang),
        {fkt_ToolsGetResString(kOpenAction, lang), crlf, m.settings.LastErrorText, crlf,
         QString::number(m.settings.LastErrorNumber)});
    m.view.showCriticalMessage(fkt_ToolsGetResString(kErrorTitle, lang), report);
}

void PortConnection::fkt_MainEnableControls(bool enabled)
{
    m.view.enablePortControls(enabled);
}
