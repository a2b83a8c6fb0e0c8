#include "engine/TerminalEngine.h"

#include "engine/WaitMilliseconds.h"

TerminalEngine::TerminalEngine(SettingsRecord &settings, SerialPortControl &port,
                               TerminalView &view, UtcClock clock, QObject *parent)
    : QObject(parent), m_context{settings, port, view, m_log, std::move(clock)},
      m_transmitter(m_context), m_receiver(m_context), m_connection(m_context),
      m_repeater(m_context, m_transmitter, m_receiver)
{
    for (QTimer *timer : {&m_timTimer, &m_timRepeat}) {
        timer->setInterval(kTimerIntervalMs);
        timer->setTimerType(Qt::PreciseTimer);
    }
    connect(&m_timTimer, &QTimer::timeout, this, &TerminalEngine::timTimer_Timer);
    connect(&m_timRepeat, &QTimer::timeout, this, &TerminalEngine::timRepeat_Timer);
}

UtcClock TerminalEngine::defaultClock()
{
    return [] { return QDateTime::currentDateTimeUtc(); };
}

void TerminalEngine::startTimers()
{
    m_timersRunning = true;
    m_timTimer.start();
    m_timRepeat.start();
}

void TerminalEngine::stopTimers()
{
    m_timersRunning = false;
    m_timTimer.stop();
    m_timRepeat.stop();
}

void TerminalEngine::shutDown()
{
    stopTimers();
    m_context.closing = true;
    AbandonWaits();
}

void TerminalEngine::timTimer_Timer()
{
    // Disabled while its own tick runs: the poll processes events and would
    // otherwise let the timer fire inside itself.
    m_timTimer.stop();
    m_receiver.PollReceiveBuffer();
    if (m_timersRunning)
        m_timTimer.start();
}

void TerminalEngine::timRepeat_Timer()
{
    m_timRepeat.stop();
    // A tick that fails leaves the repetition timer off until the program
    // is restarted; the receive timer goes on polling.
    if (m_repeater.RepeatTick() && m_timersRunning)
        m_timRepeat.start();
}

void TerminalEngine::cmdDelete_Click()
{
    m_log.clear();
    m_log.setDeleteEnabled(false);
}
