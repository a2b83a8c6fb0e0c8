#include "engine/LineTiming.h"

#include "engine/TrafficLog.h"

// The port's events are no traffic: the times pass them by.
std::optional<LineTiming> lineTiming(const TrafficLog &log, int index)
{
    if (index < 0 || index >= log.count() || !log.isDataLine(index))
        return std::nullopt;
    LineTiming timing;
    const qint64 stamp = log.utcMsecs(index);
    int before = index - 1;
    while (before >= 0 && !log.isDataLine(before))
        --before;
    if (before >= 0)
        timing.sincePrevious = stamp - log.utcMsecs(before);
    if (log.kind(index) == TrafficLog::LineKind::Sent)
        return timing;
    timing.quietMs = log.quietMs(index);
    // The kinds lie in one flat array: a walk back over a full log takes
    // microseconds.
    for (int i = before; i >= 0; --i) {
        if (log.kind(i) == TrafficLog::LineKind::Sent) {
            timing.sinceLastSent = stamp - log.utcMsecs(i);
            break;
        }
    }
    return timing;
}
