#pragma once

#include <QtGlobal>

#include <optional>

class TrafficLog;

// The times around one line of the log, from the full UTC stamps the lines
// keep, in milliseconds.
struct LineTiming {
    // Since the data line before it; nothing for the first one of the log.
    std::optional<qint64> sincePrevious;
    // A received line: since the last sent line before it (the reply time);
    // nothing for a sent line, or when no sent line comes before it.
    std::optional<qint64> sinceLastSent;
    // A received line: the quiet time its stamp waited for (it is taken
    // after the wait, so the reply time includes it); -1 without one.
    qint16 quietMs = -1;
};

// Nothing at all for an index outside the log or an event line; the times
// count from data lines only.
std::optional<LineTiming> lineTiming(const TrafficLog &log, int index);
