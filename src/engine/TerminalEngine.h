#pragma once

#include "engine/CommandRepeater.h"
#include "engine/EngineContext.h"
#include "engine/FileSender.h"
#include "engine/LineControl.h"
#include "engine/PortConnection.h"
#include "engine/Receiver.h"
#include "engine/TrafficLog.h"
#include "engine/Transmitter.h"
#include "engine/TriggerRunner.h"

#include <QObject>
#include <QTimer>

// The terminal: transmit, receive and log, the port connection, the command
// slots and their repetition, and the two 10 ms timers that drive polling
// and repetition. It reaches the window only through TerminalView.
//
// The timers only run while they have something to do, so an idle terminal
// never wakes up: the receive timer while characters are waiting, arriving or
// being collected, and while the log waits for its size check (a port that
// cannot tell when characters arrive is polled all the time); the repetition
// timer while a repetition box is ticked. Each tick runs as it would if the
// timers ran all the time, so the log and the line see no difference.
//
// When the port's device goes away, what it had received is still polled and
// logged; then the port counts as closed (PortConnection::portLost) until the
// device comes back.
class TerminalEngine : public QObject {
    Q_OBJECT
public:
    TerminalEngine(SettingsRecord &settings, SerialPortControl &port, TerminalView &view,
                   UtcClock clock = defaultClock(), QObject *parent = nullptr);
    ~TerminalEngine() override;

    static UtcClock defaultClock();
    static constexpr int kTimerIntervalMs = 10;
    // A pause of a quiet wait that takes this long (a dialog opened in it)
    // has the port read arrivals as they come again.
    static constexpr int kWatchBackstopMs = 30;

    TrafficLog &log() { return m_log; }
    Transmitter &transmitter() { return m_transmitter; }
    Receiver &receiver() { return m_receiver; }
    PortConnection &connection() { return m_connection; }
    CommandRepeater &repeater() { return m_repeater; }
    FileSender &fileSender() { return m_fileSender; }
    // Whether a file is going out: nothing else may hold the line meanwhile
    // (a BREAK, say).
    bool sendingFile() const { return m_fileSender.sending(); }
    TriggerRunner &triggers() { return m_triggers; }

    // Starts both timers; they run for the life of the window, whenever there
    // is work for them.
    void startTimers();
    void stopTimers();
    // The window unloads: the timers stop, pauses in progress end and no
    // transmission, pause or poll starts any more; a lost device is no
    // longer waited for.
    void shutDown();
    bool repeatTimerEnabled() const { return m_timRepeat.isActive(); }
    bool receiveTimerEnabled() const { return m_timTimer.isActive(); }
    // Milliseconds until the receive timer polls; -1 while no poll is due.
    int receivePollDueMs() const { return m_timTimer.isActive() ? m_timTimer.remainingTime() : -1; }
    // A repetition box was ticked or cleared: the repetition timer runs while
    // one is ticked, unless a failed tick stopped it for good.
    void repetitionSwitched();

    // Edit > Send break, Edit > DTR and Edit > RTS (see LineControl).
    void sendBreak() { m_lines.sendBreak(); }
    bool breakAllowed() const { return m_lines.breakAllowed(); }
    void switchDtr(bool on) { m_lines.switchDtr(on); }
    void switchRts(bool on) { m_lines.switchRts(on); }
    bool linePollRunning() const { return m_lines.polling(); }

    void timTimer_Timer();
    void timRepeat_Timer();
    // Empties the log and disables the delete button.
    void cmdDelete_Click();

private:
    void onArrival();
    void quietPause(bool pausing);
    void noticeLostDevice();
    void takeLostDevice();
    void armReceiveTimer();
    bool receiveWorkLeft();
    bool repetitionOn() const;

    TrafficLog m_log;
    EngineContext m_context;
    Transmitter m_transmitter;
    Receiver m_receiver;
    PortConnection m_connection;
    CommandRepeater m_repeater;
    FileSender m_fileSender;
    LineControl m_lines;
    TriggerRunner m_triggers;
    QTimer m_timTimer;
    QTimer m_timRepeat;
    QTimer m_watchBackstop;
    bool m_timersRunning = false;
    bool m_inReceiveTick = false;
    bool m_inRepeatTick = false;
    bool m_arrivedDuringTick = false;
    bool m_repeatStoppedForGood = false;
    bool m_lossPending = false;
    int m_lossBacklog = -1; // characters left when the lost device was last looked at
};
