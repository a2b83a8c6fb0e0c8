// Figures of the terminal engine on a pseudo-terminal:
//   receive  a steady 92,160 bytes/s (921600 baud, 8N1) with a quiet time of 0:
//            every byte in the [IN] lines exactly once and in order, CPU used
//   idle     a port open and both timers running, CPU used
//   wake     after an idle spell, how soon a two-character block is logged
//            at a quiet time of 20 ms (the first poll comes within 10 ms,
//            the quiet time counts from the last character seen, which is
//            looked at every 10 ms)
//   delay    CharDelay 10 with 100 characters: when the peer sees the last one
// Usage: bench_engine [receive-seconds]   (default 20)

#include "app/modGlobal.h"
#include "ports/TermiosPort.h"
#include "engine/TerminalEngine.h"
#include "engine/TerminalView.h"
#include "text/Codec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

class QuietView : public TerminalView {
public:
    QString waitTime = QStringLiteral("0");
    QString sendText() const override { return {}; }
    void setSendText(const QString &) override {}
    QString slotText(int) const override { return {}; }
    QString waitTimeText() const override { return waitTime; }
    bool repeatChecked() const override { return false; }
    bool repeatCommandConfigChecked() const override { return false; }
    void pressSendButton() override {}
    void pressSlotButton(int) override {}
    void enablePortControls(bool) override {}
    void setStatusText(const QString &) override {}
    void setWaitingText(const QString &) override {}
    void setPortInUse(bool) override {}
    void showCriticalMessage(const QString &t, const QString &m) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(t), qPrintable(m));
    }
    void showPlainMessage(const QString &m) override { std::fprintf(stderr, "%s\n", qPrintable(m)); }
    bool modalDialogOpen() const override { return false; }
    void showStatusMessage(const QString &) override {}
    void clearStatusMessage() override {}
    void selectInSendBox(qsizetype, qsizetype) override {}
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(ms - int(t.elapsed()), &loop, &QEventLoop::quit);
        loop.exec();
    }
}

// A child process writes the data to the master at a steady pace.
pid_t startWriter(int master, const QByteArray &data, int bytesPerSecond)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    const int chunk = bytesPerSecond / 100; // every 10 ms
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    for (qsizetype sent = 0; sent < data.size();) {
        const qsizetype n = qMin<qsizetype>(chunk, data.size() - sent);
        qsizetype done = 0;
        while (done < n) {
            const ssize_t w = ::write(master, data.constData() + sent + done, size_t(n - done));
            if (w > 0)
                done += w;
            else
                usleep(200);
        }
        sent += n;
        next.tv_nsec += 10'000'000;
        if (next.tv_nsec >= 1'000'000'000) {
            next.tv_nsec -= 1'000'000'000;
            ++next.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
    }
    _exit(0);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? atoi(argv[1]) : 20;

    int master = -1, slave = -1;
    char name[256] = {};
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
        return 1;
    const QString slavePath = QString::fromLocal8Bit(name);
    SettingsRecord settings;
    settings.Baudrate = 13; // 921600
    settings.DTR = 1;
    settings.Peculiar = 0;
    QuietView view;
    TermiosPort port([slavePath](int) { return PortPath{slavePath, QString()}; });
    TerminalEngine engine(settings, port, view);
    engine.connection().fkt_MainOpenPort();
    ::close(slave);
    if (!port.PortOpen())
        return 1;
    engine.startTimers();

    // Receive.
    const int rate = 92160;
    QByteArray data(qsizetype(rate) * seconds, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char &c : data)
        c = char(random.bounded(256));
    const double cpu0 = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    const pid_t writer = startWriter(master, data, rate);
    while (waitpid(writer, nullptr, WNOHANG) == 0)
        runFor(100);
    runFor(300); // the last block falls quiet
    const double receiveCpu = cpuSeconds() - cpu0;
    const double receiveWall = wall.elapsed() / 1000.0;
    QString received;
    int lines = 0;
    for (int i = 0; i < engine.log().count(); ++i) {
        received += engine.log().line(i).mid(21);
        ++lines;
    }
    const bool exact = received == Codec::toText(data);
    std::printf("receive: %lld bytes in %.1f s, %d [IN] lines, every byte once and in order: %s, "
                "CPU %.1f%% of one core\n",
                static_cast<long long>(data.size()), receiveWall, lines, exact ? "yes" : "NO",
                100.0 * receiveCpu / receiveWall);

    // Idle.
    const double idle0 = cpuSeconds();
    runFor(5000);
    std::printf("idle: port open, both timers running: CPU %.2f%% of one core\n",
                100.0 * (cpuSeconds() - idle0) / 5.0);

    // Wake: the peer sends two characters after an idle spell, 40 times.
    view.waitTime = QStringLiteral("20");
    QList<double> wakeMs;
    for (int i = 0; i < 40; ++i) {
        runFor(200);
        const int before = engine.log().count();
        QElapsedTimer sinceWrite;
        sinceWrite.start();
        if (::write(master, "AB", 2) != 2)
            break;
        while (engine.log().count() == before && sinceWrite.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        wakeMs.append(sinceWrite.nsecsElapsed() / 1e6);
    }
    std::sort(wakeMs.begin(), wakeMs.end());
    if (!wakeMs.isEmpty())
        std::printf(
            "wake: a block after 200 ms idle, quiet time 20 ms: logged %.1f ms after it was "
            "written (median of %lld), %.1f ms at most; promised: within 10 + 20 + 10 ms\n",
            wakeMs[wakeMs.size() / 2], static_cast<long long>(wakeMs.size()), wakeMs.last());
    view.waitTime = QStringLiteral("0");

    // Character delay: a thread plays the peer and notes when the last
    // character arrives.
    settings.CharDelay = 10;
    const auto began = std::chrono::steady_clock::now();
    std::atomic<long long> lastSeenMs{-1};
    std::thread peer([master, began, &lastSeenMs] {
        qsizetype seen = 0;
        while (seen < 100) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 3000) <= 0)
                return;
            char buffer[256];
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0)
                return;
            seen += n;
        }
        lastSeenMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - began)
                         .count();
    });
    const double delay0 = cpuSeconds();
    QElapsedTimer sendClock;
    sendClock.start();
    engine.transmitter().SendText(QString(100, u'x'));
    const qint64 sendTook = sendClock.elapsed();
    const double delayCpu = cpuSeconds() - delay0;
    peer.join();
    std::printf("delay: CharDelay 10, 100 characters: the peer saw the last one %lld ms after the "
                "send began; CPU %.2f%% of one core during the pauses\n",
                lastSeenMs.load(), 100.0 * delayCpu / (sendTook / 1000.0));
    engine.stopTimers();
    port.setPortOpen(false);
    ::close(master);
    return exact ? 0 : 1;
}
