#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;
class frmMain;

// Ends the program as Esc does when the system asks it to: on SIGTERM, SIGHUP
// and SIGINT, and when the desktop session ends. The window is unloaded once
// (settings, the default command file and the log's LastLog.txt saved)
// without any message box, a failed save going to standard error, and every
// event loop ends, also that of a dialog or box that is open: with 128 + the
// signal's number after a signal, with 0 at the session's end.
//
// The signal handler only writes the signal's number into a pipe; the event
// loop reads it there, so the window is unloaded outside the handler. A signal
// the event loop has not taken up within a second (the start still running,
// or the window's thread stuck) ends the program at once with 128 + its
// number, without saving anything.
class ProgramEnd : public QObject {
    Q_OBJECT
public:
    using Exit = std::function<void(int code)>;

    // Catches the three signals from now on (a signal the program was started
    // with ignored, as under nohup, stays ignored), and SIGALRM for the
    // second's grace. Signals that arrive before a ProgramEnd exists wait
    // for it that long. Once per process; false when they
    // cannot be caught, and then end the program as the system does.
    static bool catchSignals();

    // exit ends the event loops; QCoreApplication::exit unless a test gives
    // another.
    explicit ProgramEnd(frmMain &window, Exit exit = {});
    ~ProgramEnd() override;

    // The code the program ends with once it is ending here; -1 before.
    int exitCode() const { return m_exitCode; }

    // What a caught signal and the session's end do.
    void endBySignal(int signalNumber);
    void endWithSession();

private:
    void readSignals();
    void end(int code);

    frmMain &m_window;
    Exit m_exit;
    std::unique_ptr<QSocketNotifier> m_signals;
    int m_exitCode = -1;
};
