#include "engine/LineTiming.h"

#include "engine/TrafficLog.h"

std::optional<LineTiming> lineTiming(const TrafficLog &log, int index)
{
    if (index < 0 || index >= log.count())
        return std::nullopt;
    LineTiming timing;
    const qint64 stamp = log.utcMsecs(index);
    if (index > 0)
        timing.sincePrevious = stamp - log.utcMsecs(index - 1);
    if (log.direction(index) == TrafficLog::Direction::Sent)
        return timing;
    timing.quietMs = log.quietMs(index);
    // The directions lie in one flat array: a walk back over a full log
    // takes microseconds.
    for (int i = index - 1; i >= 0; --i) {
        if (log.direction(i) == TrafficLog::Direction::Sent) {
            timing.sinceLastSent = stamp - log.utcMsecs(i);
            break;
        }
    }
    return timing;
}
