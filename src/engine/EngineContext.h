#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

struct SettingsRecord;
class SerialPortControl;
class TerminalView;
class TrafficLog;

using UtcClock = std::function<QDateTime()>;

// What the parts of the engine share: the settings record, the port, the
// window, the log and the clock that stamps the log lines.
struct EngineContext {
    // The shared parts; every other member starts at its default.
    EngineContext(SettingsRecord &s, SerialPortControl &p, TerminalView &v, TrafficLog &l, UtcClock c)
        : settings(s), port(p), view(v), log(l), clock(std::move(c))
    {
    }
    SettingsRecord &settings;
    SerialPortControl &port;
    TerminalView &view;
    TrafficLog &log;
    UtcClock clock;
    // Set when the window unloads: nothing new is sent and no new pause
    // begins, so the program can end at once.
    bool closing = false;
    // Called by a part after the port raised an error, so the engine can
    // tell whether its device went away.
    std::function<void()> portFailed;
    // Counts the closings of the port the user asked for: a transmission
    // under way ends when it changes.
    quint64 userClosings = 0;
    // Set while the repetition sends: a text it cannot send is told once,
    // without touching the focus.
    bool repetitionSending = false;
    // The number of the trigger rule whose reply is being sent, else 0: its
    // [OUT] line names the rule.
    int sendingTrigger = 0;
    // Called as every opening of the port begins: what watches the received
    // stream starts afresh.
    std::function<void()> portOpening;
    // Called by the receiver before (true) and after (false) each pause of a
    // quiet wait: it looks at the count after every pause anyway, so the
    // port need not wake the program for each arrival meanwhile.
    std::function<void(bool pausing)> quietPause;
    // Set while a transmission writes: a file going out waits with its next
    // write, so the transmission's bytes stay together.
    bool transmitting = false;
    // Called before a transmission writes, so that the file's bytes sent so
    // far are logged before the transmission's line.
    std::function<void()> beforeTransmit;
    // Called as the port closes at the user's wish (empty reason) or is
    // lost (its reason): a file going out ends.
    std::function<void(const QString &reason)> portEnding;
    // Set while a file goes out; BREAK waits for neither.
    bool fileSending = false;
    // Set while the line is held in the break state: transmissions and a
    // file going out wait.
    bool breakHolding = false;
    // Called by the port connection whenever the port-dependent controls are
    // switched: true once a port is open, false once none is.
    std::function<void(bool open)> portSwitched;
};
