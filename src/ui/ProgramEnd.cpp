#include "ui/ProgramEnd.h"

#include "ui/frmMain.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSocketNotifier>
#if QT_CONFIG(sessionmanager)
#include <QSessionManager>
#endif

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kCaughtSignals[] = {SIGTERM, SIGHUP, SIGINT};
// How long the event loop has to take a signal up. A thread that does not come
// back to it (a start, a layout of a huge text, a wait in a system call) must
// not keep the program from ending.
constexpr unsigned kGraceSeconds = 1;
int g_signalPipe[2] = {-1, -1};
volatile sig_atomic_t g_untakenSignal = 0; // caught, not yet read from the pipe

extern "C" void writeSignalToPipe(int signalNumber)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a signal to act on; this one can be dropped.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    if (g_untakenSignal == 0) {
        g_untakenSignal = signalNumber;
        ::alarm(kGraceSeconds);
    }
    errno = savedErrno;
}

// Nothing is saved then: the thread that would save is not answering.
extern "C" void endForUntakenSignal(int)
{
    if (g_untakenSignal != 0)
        ::_exit(128 + g_untakenSignal);
}

bool ignoredAtStart(int signalNumber)
{
    struct sigaction current {};
    return ::sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

} // namespace

bool ProgramEnd::catchSignals()
{
    if (g_signalPipe[0] >= 0)
        return true;
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        g_signalPipe[0] = g_signalPipe[1] = -1;
        return false;
    }
    struct sigaction action {};
    action.sa_handler = writeSignalToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    bool caught = true;
    struct sigaction grace {};
    grace.sa_handler = endForUntakenSignal;
    sigemptyset(&grace.sa_mask);
    caught = ::sigaction(SIGALRM, &grace, nullptr) == 0;
    for (const int signalNumber : kCaughtSignals)
        if (!ignoredAtStart(signalNumber))
            caught = ::sigaction(signalNumber, &action, nullptr) == 0 && caught;
    return caught;
}

ProgramEnd::ProgramEnd(frmMain &window, Exit exit) : m_window(window), m_exit(std::move(exit))
{
    if (!m_exit)
        m_exit = [](int code) { QCoreApplication::exit(code); };
    if (g_signalPipe[0] >= 0) {
        m_signals = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        connect(m_signals.get(), &QSocketNotifier::activated, this, &ProgramEnd::readSignals);
    }
#if QT_CONFIG(sessionmanager)
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(app, &QGuiApplication::commitDataRequest, this,
                [this](QSessionManager &) { endWithSession(); });
#endif
    // Whatever else ends the event loop (the session manager's last word, for
    // one) must not lose the user's edits either.
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, [this] { m_window.unloadForSystem(); });
}

ProgramEnd::~ProgramEnd() = default;

void ProgramEnd::readSignals()
{
    unsigned char bytes[16];
    const ssize_t n = ::read(g_signalPipe[0], bytes, sizeof bytes);
    g_untakenSignal = 0;
    ::alarm(0);
    if (n > 0)
        endBySignal(bytes[0]);
}

void ProgramEnd::endBySignal(int signalNumber)
{
    end(128 + signalNumber);
}

void ProgramEnd::endWithSession()
{
    end(0);
}

void ProgramEnd::end(int code)
{
    if (m_exitCode >= 0)
        return; // a second signal while the first one is handled
    m_exitCode = code;
    m_window.unloadForSystem();
    m_exit(code);
}
