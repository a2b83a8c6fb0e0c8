#pragma once

#include "engine/CommandRepeater.h"
#include "engine/EngineContext.h"
#include "engine/PortConnection.h"
#include "engine/Receiver.h"
#include "engine/TrafficLog.h"
#include "engine/Transmitter.h"

#include <QObject>
#include <QTimer>

// The terminal: transmit, receive and log, the port connection, the command
// slots and their repetition, and the two 10 ms timers that drive polling
// and repetition. It reaches the window only through TerminalView.
class TerminalEngine : public QObject {
    Q_OBJECT
public:
    TerminalEngine(SettingsRecord &settings, SerialPortControl &port, TerminalView &view,
                   UtcClock clock = defaultClock(), QObject *parent = nullptr);

    static UtcClock defaultClock();
    static constexpr int kTimerIntervalMs = 10;

    TrafficLog &log() { return m_log; }
    Transmitter &transmitter() { return m_transmitter; }
    Receiver &receiver() { return m_receiver; }
    PortConnection &connection() { return m_connection; }
    CommandRepeater &repeater() { return m_repeater; }

    // Starts both timers; they run for the life of the window.
    void startTimers();
    void stopTimers();
    // The window unloads: the timers stop, pauses in progress end and no
    // transmission, pause or poll starts any more.
    void shutDown();
    bool repeatTimerEnabled() const { return m_timRepeat.isActive(); }

    void timTimer_Timer();
    void timRepeat_Timer();
    // Empties the log and disables the delete button.
    void cmdDelete_Click();

private:
    TrafficLog m_log;
    EngineContext m_context;
    Transmitter m_transmitter;
    Receiver m_receiver;
    PortConnection m_connection;
    CommandRepeater m_repeater;
    QTimer m_timTimer;
    QTimer m_timRepeat;
    bool m_timersRunning = false;
};
