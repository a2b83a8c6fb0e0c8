#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <sys/types.h>

// The bytes a pseudo-terminal peer sends, and the child process that sends
// them. The stream is a pure function of its offset, so the program under
// test can check every byte it logged without a copy of the whole feed.
namespace Feed {

enum class Pattern {
    Text,  // lines of 64 characters ending in CR LF
    Bytes, // 0, 1, ... 255, 0, 1, ...
    Lines, // lines of 80 characters ending in LF, as a device printing lines sends them
    // Lines of 84 characters with three named values, ending in CR LF
    // ("temp:+21.503,hum:48.771,volt:+3.2954" and blanks): about 1,100 a
    // second at 92,160 B/s.
    Numbers,
};

// Characters of a line of Pattern::Lines, its LF included.
constexpr int kLinesLength = 80;

// n bytes of the stream from offset on.
QByteArray bytes(Pattern pattern, qint64 offset, qsizetype n);
// The byte at offset.
char byteAt(Pattern pattern, qint64 offset);

enum class Pace {
    Steady, // bytesPerSecond, in chunks of chunkBytes at their due time
    Bursts, // chunkBytes at once, burstsPerSecond times a second
    Flood,  // as fast as the pseudo-terminal takes it
};

struct Plan {
    Pattern pattern = Pattern::Text;
    Pace pace = Pace::Steady;
    int bytesPerSecond = 92160;
    int chunkBytes = 64;
    int burstsPerSecond = 40;
    double seconds = 20;
};

// What the peer reports when it is done.
struct Report {
    qint64 bytesWritten = 0;
    qint64 lastWriteNs = 0; // steady clock (CLOCK_MONOTONIC) after the last write
};

// Forks a child that waits for a byte on `go`, writes the plan's bytes to
// master, writes its Report to `done` and exits.
pid_t start(int master, const Plan &plan, int go, int done);

// A feeding child with its two pipes: a byte written to `go` starts it, its
// Report comes on `done`.
struct Child {
    pid_t pid = 0;
    int go = -1;   // write end
    int done = -1; // read end
};
// Forks it (before the application starts threads); pid 0 when that failed.
Child startChild(int master, const Plan &plan);

qint64 monotonicNs();

} // namespace Feed
