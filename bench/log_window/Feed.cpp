#include "Feed.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace Feed {

namespace {

// A line of `length` characters: its number, words and the line end (CR LF,
// or LF alone).
char textByte(qint64 offset, int length, bool crlf)
{
    static const QByteArray words =
        QByteArrayLiteral(" The quick brown fox jumps over the lazy dog, 0123456789 ABCDEFGH");
    const qint64 line = offset / length;
    const int column = int(offset % length);
    if (column == length - 1)
        return '\n';
    if (crlf && column == length - 2)
        return '\r';
    if (column < 7) { // the line number, seven digits
        qint64 n = line;
        for (int i = 6; i > column; --i)
            n /= 10;
        return char('0' + n % 10);
    }
    return words[column % words.size()];
}

void sleepUntil(qint64 ns)
{
    timespec due{};
    due.tv_sec = ns / 1'000'000'000;
    due.tv_nsec = ns % 1'000'000'000;
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) == EINTR) {
    }
}

// Writes everything, waiting while the pseudo-terminal is full.
bool writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd p{fd, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

// Writes what the pseudo-terminal takes now; waits a little when it is full.
qsizetype writeSome(int fd, const QByteArray &data)
{
    const ssize_t n = ::write(fd, data.constData(), size_t(data.size()));
    if (n > 0)
        return n;
    pollfd p{fd, POLLOUT, 0};
    ::poll(&p, 1, 10);
    return 0;
}

Report run(int master, const Plan &plan)
{
    Report report;
    const qint64 start = monotonicNs();
    const qint64 end = start + qint64(plan.seconds * 1e9);
    qint64 offset = 0;
    for (qint64 k = 0;; ++k) {
        if (plan.pace == Pace::Flood) {
            if (monotonicNs() >= end)
                break;
            const qsizetype n = writeSome(master, bytes(plan.pattern, offset, plan.chunkBytes));
            offset += n;
            if (n > 0)
                report.lastWriteNs = monotonicNs();
            continue;
        }
        const qint64 due = plan.pace == Pace::Steady
                               ? start + qint64(double(offset) * 1e9 / plan.bytesPerSecond)
                               : start + k * 1'000'000'000LL / plan.burstsPerSecond;
        if (due >= end)
            break;
        sleepUntil(due);
        if (!writeAll(master, bytes(plan.pattern, offset, plan.chunkBytes)))
            break;
        offset += plan.chunkBytes;
        report.lastWriteNs = monotonicNs();
    }
    report.bytesWritten = offset;
    return report;
}

constexpr int kNumbersLineLength = 84;

// The values change slowly, as a sensor's do, and each line's follow from
// its number alone.
QByteArray numbersLine(qint64 line)
{
    char text[kNumbersLineLength + 1];
    const double n = double(line);
    int length = std::snprintf(text, sizeof text, "temp:%+.3f,hum:%.3f,volt:%+.4f",
                               20 + 5 * std::sin(n / 500), 50 + 10 * std::cos(n / 730),
                               3.3 + 0.1 * std::sin(n / 37));
    QByteArray bytes(text, length);
    bytes.append(kNumbersLineLength - 2 - bytes.size(), ' ');
    return bytes.append("\r\n");
}

char numbersByte(qint64 offset)
{
    // Bytes are asked for in order: one line is made once.
    thread_local qint64 madeLine = -1;
    thread_local QByteArray made;
    const qint64 line = offset / kNumbersLineLength;
    if (line != madeLine) {
        made = numbersLine(line);
        madeLine = line;
    }
    return made[int(offset % kNumbersLineLength)];
}

} // namespace

char byteAt(Pattern pattern, qint64 offset)
{
    switch (pattern) {
    case Pattern::Text:
        return textByte(offset, 64, true);
    case Pattern::Lines:
        return textByte(offset, kLinesLength, false);
    case Pattern::Numbers:
        return numbersByte(offset);
    case Pattern::Bytes:
        break;
    }
    return char(offset & 0xFF);
}

QByteArray bytes(Pattern pattern, qint64 offset, qsizetype n)
{
    QByteArray out(n, Qt::Uninitialized);
    for (qsizetype i = 0; i < n; ++i)
        out[i] = byteAt(pattern, offset + i);
    return out;
}

qint64 monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

pid_t start(int master, const Plan &plan, int go, int done)
{
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    char byte = 0;
    if (::read(go, &byte, 1) != 1)
        _exit(1);
    const Report report = run(master, plan);
    const ssize_t written = ::write(done, &report, sizeof report);
    _exit(written == sizeof report ? 0 : 1);
}

Child startChild(int master, const Plan &plan)
{
    int go[2], done[2];
    if (::pipe(go) != 0)
        return {};
    if (::pipe(done) != 0) {
        ::close(go[0]);
        ::close(go[1]);
        return {};
    }
    Child child;
    child.pid = start(master, plan, go[0], done[1]);
    ::close(go[0]);
    ::close(done[1]);
    child.go = go[1];
    child.done = done[0];
    return child;
}

} // namespace Feed
