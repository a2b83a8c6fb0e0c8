#include "engine/LineControl.h"

#include "app/modGlobal.h"
#include "engine/EngineContext.h"
#include "engine/TrafficLog.h"
#include "ports/SerialPortControl.h"
#include "text/StringTable.h"
#include "text/modFormat.h"

namespace {
constexpr qint32 kBreakEvent = 2301;
constexpr qint32 kBreakNotSent = 2302;
} // namespace

LineControl::LineControl(EngineContext &context) : m(context)
{
    m_poll.setInterval(kPollMs);
    QObject::connect(&m_poll, &QTimer::timeout, [this] { refresh(); });
    m_break.setSingleShot(true);
    m_break.setTimerType(Qt::PreciseTimer);
    m_break.setInterval(kBreakMs);
    QObject::connect(&m_break, &QTimer::timeout, [this] { releaseBreak(); });
    m.port.setModemLineHandler([this] { refresh(); });
}

LineControl::~LineControl()
{
    m.port.setModemLineHandler({});
}

bool LineControl::breakAllowed() const
{
    return m_open && !m.breakHolding && !m.transmitting && !m.fileSending && !m.closing &&
           m.port.canSendBreak();
}

void LineControl::sendBreak()
{
    if (!breakAllowed())
        return;
    try {
        m.port.setBreak(true);
    } catch (const PortError &e) {
        m.view.showStatusMessage(fkt_FormatInsertParam(
            fkt_ToolsGetResString(kBreakNotSent, m.settings.Language), {e.description()}));
        if (m.portFailed)
            m.portFailed();
        return;
    }
    m.breakHolding = true;
    m.log.appendEvent(fkt_FormatInsertParam(fkt_ToolsGetResString(kBreakEvent, m.settings.Language),
                                            {QString::number(kBreakMs)}),
                      m.clock());
    m_break.start();
    show();
}

void LineControl::releaseBreak()
{
    m.breakHolding = false;
    try {
        if (m.port.PortOpen())
            m.port.setBreak(false);
    } catch (const PortError &e) {
        m.view.showStatusMessage(fkt_FormatInsertParam(
            fkt_ToolsGetResString(kBreakNotSent, m.settings.Language), {e.description()}));
        if (m.portFailed)
            m.portFailed();
    }
    show();
}

bool LineControl::rtsOwned() const
{
    return m.settings.RTS != 0 || m.settings.Handshake == 2 || m.settings.Handshake == 3;
}

void LineControl::switchDtr(bool on)
{
    switchLine(true, on);
}

void LineControl::switchRts(bool on)
{
    if (!rtsOwned())
        switchLine(false, on);
    else
        show(); // the switch goes back to what the line is
}

void LineControl::switchLine(bool dtr, bool on)
{
    bool &line = dtr ? m_dtr : m_rts;
    if (!m_open || !m_switchable || line == on) {
        show();
        return;
    }
    try {
        if (dtr)
            m.port.setDTREnable(on);
        else
            m.port.setRTSEnable(on);
        line = on;
    } catch (const PortError &) {
        if (m.portFailed)
            m.portFailed();
    }
    show();
}

void LineControl::portSwitched(bool open)
{
    if (!open && m_open && m_rts) {
        // The next opening starts with RTS low again, as the settings say.
        try {
            m.port.setRTSEnable(false);
        } catch (const PortError &) {
            // Closed ports take it quietly; a lost one is gone anyway.
        }
    }
    m_open = open;
    m_dtr = open && m.settings.DTR != 0;
    m_rts = false;
    if (!open && m_break.isActive()) {
        m_break.stop();
        m.breakHolding = false; // closing the port released the line
    }
    refresh();
}

void LineControl::refresh()
{
    const ModemLines lines = m_open ? m.port.modemLines() : ModemLines{};
    m_switchable = lines.switchable;
    m_inputs = lines.inputs;
    // Only a local device that has modem lines is read again and again.
    const bool poll = m_open && lines.switchable && m.port.modemLinesPolled();
    if (poll && !m_poll.isActive())
        m_poll.start();
    else if (!poll)
        m_poll.stop();
    show();
}

void LineControl::show()
{
    LineState state;
    state.switchable = m_open && m_switchable;
    state.rtsOwned = rtsOwned();
    state.dtr = m_dtr;
    state.rts = m_rts;
    state.inputs = m_open ? m_inputs : std::nullopt;
    state.breakAllowed = breakAllowed();
    if (m_anyShown && state == m_shown)
        return; // the poll wakes nothing else when nothing changed
    m_shown = state;
    m_anyShown = true;
    m.view.showLines(state);
}
