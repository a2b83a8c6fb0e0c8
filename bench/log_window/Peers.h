#pragma once

#include "Feed.h"

#include <QList>
#include <QString>

// Other serial terminals, run on the same display with the same feed for
// figures side by side: CuteCom and gtkterm (windows) and picocom (a console
// program, whose output is drained as a terminal would show it). Each gets a
// pseudo-terminal of its own, and a shim (LD_PRELOAD) that lets it take the
// pseudo-terminal for a serial port (see bench/peers/pty_modem_shim.c).
namespace Peers {

// A peer's pseudo-terminal with its feed, forked before the application
// starts its threads.
struct Prepared {
    QString name;
    QString program; // its executable, empty when it is not installed
    int master = -1;
    QString slavePath;
    Feed::Child feed;
};

struct Result {
    QString name;
    QString failure; // why it could not be measured; empty when it was
    double cpuSeconds = 0;
    double seconds = 0; // from the first byte written to the last
    double serverCpuSeconds = -1;
    qint64 bytes = 0; // what the feed wrote, which is what the peer read
    double cpuPercent() const { return seconds > 0 ? 100.0 * cpuSeconds / seconds : 0; }
    double bytesPerSecond() const { return seconds > 0 ? bytes / seconds : 0; }
};

// The peers the benchmark knows, each with a pseudo-terminal and the plan's feed.
QList<Prepared> prepare(const Feed::Plan &plan);

// Starts the peer, waits until it holds its port open, lets the feed run,
// and stops the peer when the feed is done.
Result measure(Prepared &peer, const Feed::Plan &plan, qint64 serverPid);

// Ends the feeds of peers that were not measured.
void release(QList<Prepared> &peers);

} // namespace Peers
