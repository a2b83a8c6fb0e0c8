#include "engine/TerminalEngine.h"

#include "ports/SerialPortControl.h"
#include "engine/TerminalView.h"
#include "host/WaitMilliseconds.h"

#include <QTimer>

TerminalEngine::TerminalEngine(SettingsRecord &settings, SerialPortControl &port,
                               TerminalView &view, UtcClock clock, QObject *parent)
    : QObject(parent), m_context(settings, port, view, m_log, std::move(clock)),
      m_transmitter(m_context), m_receiver(m_context), m_connection(m_context),
      m_repeater(m_context, m_transmitter, m_receiver), m_fileSender(m_context), m_lines(m_context),
      m_triggers(m_context, m_transmitter)
{
    m_context.portSwitched = [this](bool open) { m_lines.portSwitched(open); };
    for (QTimer *timer : {&m_timTimer, &m_timRepeat}) {
        timer->setInterval(kTimerIntervalMs);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_timTimer, &QTimer::timeout, this, &TerminalEngine::timTimer_Timer);
    connect(&m_timRepeat, &QTimer::timeout, this, &TerminalEngine::timRepeat_Timer);
    port.setArrivalHandler([this] { onArrival(); });
    port.setReceiveTap([this](QByteArrayView bytes) { m_triggers.received(bytes); });
    m_context.portOpening = [this] { m_triggers.restart(); };
    m_context.portFailed = [this] { noticeLostDevice(); };
    m_context.quietPause = [this](bool pausing) { quietPause(pausing); };
    m_context.beforeTransmit = [this] { m_fileSender.flushLog(); };
    m_context.portEnding = [this](const QString &reason) { m_fileSender.portEnding(reason); };
    m_watchBackstop.setSingleShot(true);
    m_watchBackstop.setInterval(kWatchBackstopMs);
    connect(&m_watchBackstop, &QTimer::timeout, this,
            [this] { m_context.port.setArrivalWatch(true); });
    // A log beyond its limit is cleared by the next poll, as if the receive
    // timer had been running all along.
    const auto armWhenClearDue = [this] {
        if (m_log.clearDue())
            armReceiveTimer();
    };
    connect(&m_log, &TrafficLog::selectedIndexChanged, this, armWhenClearDue);
    connect(&m_log, &TrafficLog::rowsInserted, this, armWhenClearDue);
    connect(&m_log, &TrafficLog::followNewLinesChanged, this, armWhenClearDue);
}

TerminalEngine::~TerminalEngine()
{
    m_context.port.setArrivalHandler({});
    m_context.port.setReceiveTap({});
}

UtcClock TerminalEngine::defaultClock()
{
    return [] { return QDateTime::currentDateTimeUtc(); };
}

void TerminalEngine::startTimers()
{
    m_timersRunning = true;
    // Characters that were waiting before the timers started are polled once;
    // a port that cannot tell of arrivals is polled all the time.
    armReceiveTimer();
    repetitionSwitched();
}

void TerminalEngine::stopTimers()
{
    m_timersRunning = false;
    m_timTimer.stop();
    m_timRepeat.stop();
    m_context.port.setArrivalWatch(true);
}

void TerminalEngine::shutDown()
{
    stopTimers();
    m_context.closing = true;
    m_fileSender.shutDown();
    m_connection.stopAwaiting();
    AbandonWaits();
}

void TerminalEngine::repetitionSwitched()
{
    m_transmitter.repetitionSwitched();
    // A tick in progress restarts the timer itself when it ends.
    if (!m_timersRunning || m_repeatStoppedForGood || m_inRepeatTick)
        return;
    if (!repetitionOn())
        m_timRepeat.stop();
    else if (!m_timRepeat.isActive())
        m_timRepeat.start();
}

bool TerminalEngine::repetitionOn() const
{
    return m_context.view.repeatChecked() || m_context.view.repeatCommandConfigChecked();
}

void TerminalEngine::onArrival()
{
    if (m_inReceiveTick)
        m_arrivedDuringTick = true;
    else
        armReceiveTimer();
    noticeLostDevice();
}

// While the receiver pauses to see whether the line falls quiet, it reads
// the port after each pause: arrivals need not wake the program meanwhile,
// which at a high rate they would do for every few characters. A pause that
// runs long (an event handler opened a dialog inside it) has them read as
// they come again, so the device's buffer never overflows; after the pause
// the watch is as the receive timer has it (off while a poll is due).
void TerminalEngine::quietPause(bool pausing)
{
    if (pausing) {
        m_context.port.setArrivalWatch(false);
        m_watchBackstop.start();
        return;
    }
    m_watchBackstop.stop();
    m_context.port.setArrivalWatch(!m_timTimer.isActive());
}

// The port may find its device gone deep inside a transmission or a poll;
// the connection is changed once they have unwound.
void TerminalEngine::noticeLostDevice()
{
    if (m_lossPending || !m_context.port.deviceGone())
        return;
    m_lossPending = true;
    QTimer::singleShot(0, this, &TerminalEngine::takeLostDevice);
}

void TerminalEngine::takeLostDevice()
{
    m_lossPending = false;
    SerialPortControl &port = m_context.port;
    if (m_context.closing || !port.deviceGone()) {
        m_lossBacklog = -1;
        return;
    }
    // What arrived before the device went is logged first, by the polls; the
    // end of each poll looks again. A poll that takes nothing (no quiet time
    // in the box) leaves the rest to be dropped with the port.
    int received = 0;
    try {
        received = port.InBufferCount();
    } catch (const PortError &) {
        // Nothing left: the device is gone and its characters all read.
    }
    const bool pollsTakeIt = m_lossBacklog < 0 || received < m_lossBacklog;
    if (m_timersRunning && (m_inReceiveTick || (received > 0 && pollsTakeIt))) {
        if (!m_inReceiveTick)
            m_lossBacklog = received;
        armReceiveTimer();
        return;
    }
    m_lossBacklog = -1;
    m_connection.portLost();
}

void TerminalEngine::armReceiveTimer()
{
    // A running timer keeps its phase: restarting it on every arrival would
    // put the poll off while characters keep coming.
    if (m_timersRunning && !m_inReceiveTick && !m_timTimer.isActive()) {
        m_timTimer.start();
        // The poll is due within 10 ms; until then arrivals need not wake us.
        m_context.port.setArrivalWatch(false);
    }
}

// Whether the next poll could find anything to do.
bool TerminalEngine::receiveWorkLeft()
{
    SerialPortControl &port = m_context.port;
    if (!port.signalsArrival() || m_arrivedDuringTick || m_log.clearDue())
        return true;
    try {
        return port.PortOpen() && port.InBufferCount() > 0;
    } catch (const PortError &) {
        return false; // a vanished device has nothing more to give
    }
}

void TerminalEngine::timTimer_Timer()
{
    // Disabled while its own tick runs: the poll processes events and would
    // otherwise let the timer fire inside itself.
    m_timTimer.stop();
    // Characters arriving while the poll runs are read into the port's
    // backlog as they come (but for the pauses of a quiet wait, which look
    // at the port themselves; see quietPause).
    m_context.port.setArrivalWatch(true);
    m_inReceiveTick = true;
    m_arrivedDuringTick = false;
    m_receiver.PollReceiveBuffer();
    m_inReceiveTick = false;
    if (m_timersRunning && receiveWorkLeft())
        armReceiveTimer();
    m_arrivedDuringTick = false;
    noticeLostDevice();
}

void TerminalEngine::timRepeat_Timer()
{
    m_timRepeat.stop();
    m_inRepeatTick = true;
    const bool ticked = m_repeater.RepeatTick();
    m_inRepeatTick = false;
    // A tick that fails leaves the repetition timer off until the program
    // is restarted; the receive timer goes on polling.
    if (!ticked) {
        m_repeatStoppedForGood = true;
        return;
    }
    if (m_timersRunning && repetitionOn())
        m_timRepeat.start();
}

void TerminalEngine::cmdDelete_Click()
{
    m_log.clear();
    m_log.setDeleteEnabled(false);
}
