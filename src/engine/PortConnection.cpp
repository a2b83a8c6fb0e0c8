#include "engine/PortConnection.h"

#include "app/modGlobal.h"
#include "ports/DeviceReturnWatch.h"
#include "engine/EngineContext.h"
#include "ports/PortTables.h"
#include "ports/SerialPortControl.h"
#include "engine/TerminalView.h"
#include "text/QuotedValue.h"
#include "engine/TrafficLog.h"
#include "text/StringTable.h"
#include "text/modFormat.h"

#include <QScopedValueRollback>
#include <QStringList>
#include <QTimer>

#include <optional>
#include <utility>

namespace {
constexpr qint32 kNoConnectionText = 1600;
constexpr qint32 kConnectedTemplate = 1601;
constexpr qint32 kErrorTemplate = 1602;
constexpr qint32 kErrorTitle = 1603;
constexpr qint32 kOpenAction = 1605;
constexpr qint32 kHandshakeWord = 1522;
constexpr qint32 kWaitingTemplate = 1917;
constexpr qint32 kOpenedEvent = 2243;
constexpr qint32 kClosedEvent = 2244;
constexpr qint32 kLostEvent = 2245;
constexpr qint32 kWaitingEvent = 2246;

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
    // A port across the network says what it waits for while it connects;
    // the tries to reopen an awaited port stay quiet (the waiting field
    // tells what is waited for).
    m.port.setWaitHandler([this](const QString &text) {
        if (text.isEmpty() || m_reopening)
            return;
        m.view.setStatusText(text);
        m_waitShown = true;
    });
    // A server that holds the transmission is waited for like a device, in
    // the waiting field: the port status stays. The hold ends before a lost
    // connection is awaited.
    m.port.setHoldHandler([this](const QString &text) {
        m_holdText = text;
        if (!awaitingDevice())
            m.view.setWaitingText(text);
    });
}

PortConnection::~PortConnection()
{
    m.port.setWaitHandler({});
    m.port.setHoldHandler({});
}

void PortConnection::fkt_MainOpenPort()
{
    // An opening is under way: it waits for its server, or closing the old
    // port waits for queued characters while timers run. It gives way (a
    // wait for a server ends at once) and this opening follows once it has
    // unwound, so the user's latest choice is the one that counts.
    if (m_opening) {
        m_closeAsked = false;
        // Before it has taken the settings, the opening under way takes the
        // new ones anyway.
        if (!m_settingsTaken)
            return;
        m_openAgain = true;
        try {
            if (!m.port.PortOpen())
                m.port.setPortOpen(false);
        } catch (const PortError &) {
            // The opening under way ends by itself then.
        }
        return;
    }
    do {
        m_openAgain = false;
        openOnce();
        m_started = true; // every later opening is the user's or the watch's
    } while (m_openAgain && !m.closing);
    tellPortState();
}

void PortConnection::openOnce()
{
    std::optional<PortError> failure;
    // A file going out ends with the port it went to.
    if (m.portEnding)
        m.portEnding(QString());
    {
        const OpeningGuard opening(m_opening);
        m.view.setStatusText(fkt_ToolsGetResString(kNoConnectionText, m.settings.Language));
        fkt_MainEnableControls(false);
        m_waitShown = false;
        // Accepting the settings closes the open port before it opens it anew.
        if (std::exchange(m_connected, false))
            logEvent(kClosedEvent, {QString::number(m_openedWith.comPort + 1)});
        tellPortState();
        if (m.portOpening)
            m.portOpening();
        try {
            openWithSettings();
        } catch (const PortError &e) {
            failure = e;
        }
    }
    if (std::exchange(m_closeAsked, false)) {
        // The user closed the port while it opened.
        closeQuietly();
        return;
    }
    if (failure) {
        openingFailed(*failure);
        return;
    }
    if (m_openAgain)
        return; // the user's newer choice opens next
    m_connected = true;
    if (m_started)
        logOpened();
    stopAwaiting();
    fkt_MainEnableControls(true);
    m.view.setStatusText(connectedStatusText());
}

void PortConnection::openingFailed(const PortError &error)
{
    if (m_waitShown)
        m.view.setStatusText(fkt_ToolsGetResString(kNoConnectionText, m.settings.Language));
    // The window closed during the wait, or the user chose another port:
    // nobody needs to read about this one.
    if (m.closing || m_openAgain)
        return;
    // A device that is not there yet (a server not reachable yet) is waited
    // for; a lost device still comes back to its number, not to another one.
    const int comNumber = m.settings.ComPort + 1;
    const QString awaited = m.port.awaitablePath();
    if (!awaited.isEmpty())
        startAwaiting(comNumber, awaited);
    else if (comNumber != m_awaitedComNumber)
        stopAwaiting();
    reportOpenFailure(error.number(), error.description());
}

void PortConnection::openWithSettings()
{
    m_settingsTaken = false;
    if (m.port.PortOpen())
        m.port.setPortOpen(false);
    m_settingsTaken = true;
    m_openedWith = {m.settings.ComPort, m.settings.Baudrate, m.settings.BaudrateValue,
                    m.settings.Dataformat, m.settings.Handshake};
    const QString baud = PortTables::baudText(m.settings.Baudrate, m.settings.BaudrateValue);
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

void PortConnection::closePort()
{
    ++m.userClosings;
    if (m.portEnding)
        m.portEnding(QString());
    if (std::exchange(m_connected, false))
        logEvent(kClosedEvent, {QString::number(m_openedWith.comPort + 1)});
    stopAwaiting();
    if (m_opening) {
        // The opening under way ends quietly; its wait for a server ends now.
        m_closeAsked = true;
        m_openAgain = false;
    }
    closeQuietly();
    m.view.setStatusText(fkt_ToolsGetResString(kNoConnectionText, m.settings.Language));
    fkt_MainEnableControls(false);
    tellPortState();
}

void PortConnection::closeQuietly()
{
    try {
        m.port.setPortOpen(false);
    } catch (const PortError &) {
        // The port counts as closed either way.
    }
}

bool PortConnection::portInUse() const
{
    return m_opening || m_connected || awaitingDevice();
}

void PortConnection::portLost()
{
    const quint8 lang = m.settings.Language;
    m_connected = false;
    m.view.setStatusText(fkt_ToolsGetResString(kNoConnectionText, lang));
    fkt_MainEnableControls(false);
    const QString path = m.port.devicePath();
    const QString givenUp = m.port.givenUpReason();
    if (m.portEnding)
        m.portEnding(givenUp.isEmpty() ? m.port.goneReason() : givenUp);
    logEvent(kLostEvent, {QString::number(m_openedWith.comPort + 1),
                          givenUp.isEmpty() ? m.port.goneReason() : givenUp});
    // Closing a vanished device has nothing left to fail on.
    closeQuietly();
    if (!givenUp.isEmpty()) {
        // The port gave the device up for good: nothing to wait for, and
        // the user is told why.
        stopAwaiting();
        tellPortState();
        m.view.showCriticalMessage(fkt_ToolsGetResString(kErrorTitle, lang), givenUp);
        return;
    }
    if (!path.isEmpty())
        startAwaiting(m_openedWith.comPort + 1, path);
    tellPortState();
}

bool PortConnection::reopenLostPort()
{
    if (m_opening || m.settings.ComPort + 1 != m_awaitedComNumber || !m.port.sameDeviceBack())
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
    if (std::exchange(m_closeAsked, false)) {
        closeQuietly(); // the user closed it meanwhile; the watch has stopped
        return false;
    }
    if (std::exchange(m_openAgain, false)) {
        // Once the try has unwound: it runs inside the watch's own call.
        QTimer::singleShot(0, m_return.get(), [this] {
            if (!m.closing)
                fkt_MainOpenPort();
        });
        return false;
    }
    if (!opened)
        return false;
    m_connected = true;
    logOpened();
    m_awaitedComNumber = 0;
    m.view.setWaitingText(m_holdText);
    fkt_MainEnableControls(true);
    m.view.setStatusText(connectedStatusText());
    tellPortState();
    return true;
}

void PortConnection::startAwaiting(int comNumber, const QString &path)
{
    m_awaitedComNumber = comNumber;
    if (!m_return->active() || m_return->path() != path) {
        m_return->start(path);
        logEvent(kWaitingEvent, {QString::number(comNumber), path});
    }
    m.view.setWaitingText(
        fkt_FormatInsertParam(fkt_ToolsGetResString(kWaitingTemplate, m.settings.Language),
                              {QString::number(comNumber), quotedValue(path)}));
}

bool PortConnection::awaitingDevice() const
{
    return m_return->active();
}

void PortConnection::stopAwaiting()
{
    m_awaitedComNumber = 0;
    m_return->stop();
    m.view.setWaitingText(m_holdText);
}

void PortConnection::tellPortState()
{
    m.view.setPortInUse(portInUse());
}

// Names the port as it was opened, whatever the settings say by now.
QString PortConnection::connectedStatusText() const
{
    const quint8 lang = m.settings.Language;
    const OpenedWith &o = m_openedWith;
    // A data format outside the table opens as 8N1, so the status names that
    // format rather than an unrelated text of the string table.
    const quint8 format = o.dataformat < PortTables::kFormatCount ? o.dataformat : 0;
    return fkt_FormatInsertParam(
        fkt_ToolsGetResString(kConnectedTemplate, lang),
        {QString::number(o.comPort + 1), PortTables::baudText(o.baudrate, o.baudValue),
         fkt_ToolsGetResString(PortTables::kFirstFormatDescriptionId + format, lang),
         fkt_ToolsGetResString(kHandshakeWord, lang) + u' ' +
             PortTables::handshakeName(o.handshake)});
}

QString PortConnection::portDescription() const
{
    if (!m_connected)
        return {};
    QString text = QStringLiteral("COM") + QString::number(m_openedWith.comPort + 1);
    const QString entry = m.port.devicePath();
    if (!entry.isEmpty())
        text += QStringLiteral(" = ") + entry;
    return text + QStringLiteral("  ") + shortSettings();
}

// "9600 8N1": the rate and the format (",N,8,1") the port was opened with.
QString PortConnection::shortSettings() const
{
    const OpenedWith &o = m_openedWith;
    const QStringList format = PortTables::formatText(o.dataformat).split(u',');
    const QString shortFormat = format.size() == 4 ? format[2] + format[1] + format[3] : QString();
    return PortTables::baudText(o.baudrate, o.baudValue) + u' ' + shortFormat;
}

void PortConnection::logOpened()
{
    logEvent(kOpenedEvent, {QString::number(m_openedWith.comPort + 1), shortSettings()});
}

// In the language in force now: the line keeps its text.
void PortConnection::logEvent(qint32 textId, const QStringList &params)
{
    m.log.appendEvent(
        fkt_FormatInsertParam(fkt_ToolsGetResString(textId, m.settings.Language), params),
        m.clock());
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
    if (m.portSwitched)
        m.portSwitched(enabled);
}
