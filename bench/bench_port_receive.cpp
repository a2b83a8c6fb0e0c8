// Receives a steady 92,160 bytes/s (921600 baud, 10 bits a character) from a
// pseudo-terminal peer in a child process while the event loop polls the
// port the way the terminal does: two 10 ms timers, each reading the count,
// waiting until it stays unchanged (quiet time 0) and then taking the input.
// Checks that every byte arrives once and in order, and prints the CPU time
// of this process for the run and for 5 s of idle polling.
//
//   bench_port_receive [seconds]      (default 20)

#include "ports/TermiosPort.h"
#include "text/Codec.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <optional>
#include <pty.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr qint64 bytesPerSecond = 92160;

// The byte stream both sides agree on.
class Stream {
public:
    uchar next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return uchar(m_state >> 7);
    }

private:
    quint32 m_state = 2463534242u;
};

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double monotonicSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The device: waits for the start byte, sends at a steady rate for the given
// time, then keeps the line open until the pipe closes.
[[noreturn]] void runPeer(int master, int control, int seconds)
{
    char go = 0;
    if (read(control, &go, 1) != 1)
        _exit(1);
    Stream stream;
    const qint64 total = bytesPerSecond * seconds;
    const double start = monotonicSeconds();
    timespec tick{};
    clock_gettime(CLOCK_MONOTONIC, &tick);
    qint64 written = 0;
    QByteArray chunk;
    while (written < total) {
        const double elapsed = monotonicSeconds() - start;
        const qint64 due = std::min<qint64>(total, qint64(elapsed * bytesPerSecond));
        chunk.resize(due - written);
        for (char &byte : chunk)
            byte = char(stream.next());
        qsizetype done = 0;
        while (done < chunk.size()) {
            const ssize_t n = write(master, chunk.constData() + done, chunk.size() - done);
            if (n <= 0)
                _exit(2);
            done += n;
        }
        written = due;
        tick.tv_nsec += 10 * 1000 * 1000;
        if (tick.tv_nsec >= 1000 * 1000 * 1000) {
            tick.tv_nsec -= 1000 * 1000 * 1000;
            ++tick.tv_sec;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &tick, nullptr);
    }
    while (read(control, &go, 1) > 0) {
    }
    _exit(0);
}

// One poll as the terminal runs it; checks what arrives against the stream.
struct Receiver {
    explicit Receiver(TermiosPort &p) : port(p) {}

    TermiosPort &port;
    Stream expected;
    qint64 received = 0;
    qint64 mismatchAt = -1;
    qint16 largestBlock = 0;

    void poll(QTimer &timer)
    {
        timer.stop();
        try {
            readBlock();
        } catch (const PortError &) {
            // The terminal ends a failed poll silently.
        }
        timer.start();
    }

    void readBlock()
    {
        qint16 n = port.InBufferCount();
        if (n <= 0)
            return;
        for (;;) {
            QCoreApplication::processEvents(); // the quiet wait of 0 ms
            const qint16 m = port.InBufferCount();
            if (m == n)
                break;
            n = m;
        }
        const std::optional<QByteArray> bytes = Codec::toBytes(port.Input());
        largestBlock = std::max<qint16>(largestBlock, qint16(bytes->size()));
        for (char byte : *bytes) {
            if (uchar(byte) != expected.next() && mismatchAt < 0)
                mismatchAt = received;
            ++received;
        }
    }
};

void runLoopFor(QCoreApplication &app, double seconds, const std::function<bool()> &done)
{
    QTimer check;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&check, &QTimer::timeout, &app, [&] {
        if (done() || clock.elapsed() > seconds * 1000)
            app.quit();
    });
    check.start(50);
    app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    int master = -1;
    int slave = -1;
    char name[256] = {};
    int control[2];
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0 || pipe(control) != 0) {
        std::perror("openpty");
        return 1;
    }
    close(slave);
    const pid_t peer = fork();
    if (peer == 0) {
        close(control[1]);
        runPeer(master, control[0], seconds);
    }
    close(control[0]);
    close(master);

    QCoreApplication app(argc, argv);
    const QString path = QString::fromLocal8Bit(name);
    TermiosPort port([path](int) { return PortPath{path, {}}; });
    try {
        port.setSettings(QStringLiteral("921600,N,8,1"));
        port.setInBufferSize(2048);
        port.setPortOpen(true);
    } catch (const PortError &error) {
        std::fprintf(stderr, "cannot open %s: %s\n", name, error.what());
        return 1;
    }

    Receiver receiver(port);
    QTimer receiveTimer;
    QTimer repeatTimer;
    for (QTimer *timer : {&receiveTimer, &repeatTimer}) {
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, &app, [&receiver, timer] { receiver.poll(*timer); });
        timer->start();
    }

    const qint64 total = bytesPerSecond * seconds;
    const double cpuStart = cpuSeconds();
    const double wallStart = monotonicSeconds();
    if (write(control[1], "g", 1) != 1)
        return 1;
    runLoopFor(app, seconds + 10, [&] { return receiver.received >= total; });
    const double wall = monotonicSeconds() - wallStart;
    const double cpu = cpuSeconds() - cpuStart;

    std::printf("receive: %lld of %lld bytes in %.2f s (%.0f bytes/s), largest block %d\n",
                receiver.received, total, wall, receiver.received / wall, receiver.largestBlock);
    std::printf("receive: %s\n", receiver.mismatchAt < 0 && receiver.received == total
                                     ? "every byte once and in order"
                                     : "BYTES LOST, DOUBLED OR OUT OF ORDER");
    if (receiver.mismatchAt >= 0)
        std::printf("receive: first difference at byte %lld\n", receiver.mismatchAt);
    std::printf("receive: CPU %.3f s = %.1f %% of one core\n", cpu, 100.0 * cpu / wall);

    const double idleCpuStart = cpuSeconds();
    const double idleStart = monotonicSeconds();
    runLoopFor(app, 5, [] { return false; });
    const double idleWall = monotonicSeconds() - idleStart;
    const double idleCpu = cpuSeconds() - idleCpuStart;
    std::printf("idle: port open, two 10 ms polls, %.2f s: CPU %.3f s = %.2f %% of one core\n",
                idleWall, idleCpu, 100.0 * idleCpu / idleWall);

    port.setPortOpen(false);
    close(control[1]);
    int status = 0;
    waitpid(peer, &status, 0);
    const bool ok = receiver.mismatchAt < 0 && receiver.received == total;
    return ok ? 0 : 1;
}
