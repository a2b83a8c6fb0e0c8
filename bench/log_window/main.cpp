// The traffic log in the real main window, on an X display, fed through a
// pseudo-terminal by a peer process. Every scenario runs in a process of its
// own and prints its figures; nothing here is a pass/fail test.
//
// Usage: bench_log_window [scenario ...]
//   text-p0 text-p1 bytes-p0 bytes-p1   92,160 B/s for 20 s, quiet time 0
//   hex           text-p1 in the text view, then again in the hex view, side by side
//   bursts        2,048-byte and 20-byte bursts, 40 a second, 10 s each
//   flood         the peer writes as fast as it can for 10 s
//   responsive    text feed with a 1 ms timer probe and keys typed (xdotool)
//   idle          port open, no traffic, 20 s
//   memory        flood until 100 MB were logged, resident size on the way
//   save          a full log of 32,001 lines saved through the File menu, then
//                 kept as LastLog.txt at the window's end (under 2 s)
//   find          a full log of 32,001 lines of 2,048 characters searched for
//                 what it does not hold, in the text and the hex view (median
//                 of 5 beside the target of under 100 ms)
//   a11y          the same full log: one query of the lines on screen
//                 through the log's accessible interface (median of 5)
//   record        text feed 92,160 B/s for 120 s, the log recorded to a file
//   rfc2217       text feed 20 s on the local pseudo-terminal, then 20 s from
//                 the same device through ser2net with RFC 2217, then 20 s
//                 idle with the port open through ser2net (needs ser2net)
//   stream        92,160 B/s text for 60 s at quiet time 0, then at 100 ms:
//                 every byte, the last line's lateness, CPU of the two
//   fastest       a writer that never pauses, 20 s at quiet time 100 ms,
//                 keys typed meanwhile; then the same recorded to a file;
//                 then CuteCom, gtkterm and picocom with the same writer
//   sendfile      a 10 MB file through File > Send file to a peer reading at
//                 92,160 B/s, keys typed; then the same stream received: every
//                 byte, the port kept fed, CPU of the two, keys, memory
//   paced         92,160 B/s text for 20 s at quiet time 0, then the same
//                 for CuteCom, gtkterm and picocom: CPU side by side
//   lines         92,160 B/s of 80-character lines for 30 s framed by the quiet
//                 time (100 ms), then the same with LineEnd=LF; keys typed
//   lines-fastest 80-character lines from a writer that never pauses, 20 s,
//                 LineEnd=LF; then CuteCom, gtkterm and picocom
//   plot          lines of three numbers at 92,160 B/s, quiet time 0, keys typed
//                 meanwhile: 20 s with the plot hidden, then 70 s shown (a full minute
//                 in view)
//   triggers      92,160 B/s text for 30 s without trigger rules, then with 16
//                 (one answers every thousandth line): CPU of the two, and the
//                 time from a match's last byte written to its reply's first
//                 byte read
//   The last eight print their figures beside the targets they are held to.
// Without arguments every scenario but memory, rfc2217, record, hex, stream, fastest,
// sendfile, paced, lines, lines-fastest, plot and triggers runs. Starts a private Xvfb when DISPLAY is not set.

#include "Display.h"
#include "Scenario.h"

#include <QByteArray>
#include <QStringList>

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QStringList kAll = {"text-p0", "text-p1", "bytes-p0", "bytes-p1", "bursts",
                          "flood",   "responsive", "idle", "save"};

int runChild(const char *self, const QString &scenario, qint64 serverPid)
{
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        qputenv("LINTROVA_BENCH_XPID", QByteArray::number(serverPid));
        const QByteArray name = scenario.toLocal8Bit();
        ::execl(self, self, "--run", name.constData(), static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && QByteArray(argv[1]) == "--run")
        return Scenario::run(QString::fromLocal8Bit(argv[2]), argc, argv);

    QStringList chosen;
    for (int i = 1; i < argc; ++i)
        chosen.append(QString::fromLocal8Bit(argv[i]));
    if (chosen.isEmpty())
        chosen = kAll;
    Display display;
    if (!display.open()) {
        std::fprintf(stderr, "no X display: set DISPLAY or install Xvfb\n");
        return 2;
    }
    std::printf("display %s (X server pid %lld)\n", qPrintable(display.name()),
                display.serverPid());
    int failures = 0;
    for (const QString &scenario : chosen)
        failures += runChild("/proc/self/exe", scenario, display.serverPid()) != 0;
    return failures == 0 ? 0 : 1;
}
