#pragma once

#include <QtGlobal>

#include <optional>

class TrafficLog;

// The times around one line of the log, from the full UTC stamps the lines
// keep, in milliseconds.
struct LineTiming {
    // Since the line before it; nothing for the first line of the log.
    std::optional<qint64> sincePrevious;
    // A received line: since the last sent line before it (the reply time);
    // nothing for a sent line, or when no sent line comes before it.
    std::optional<qint64> sinceLastSent;
    // A received line: the quiet time its stamp waited for (it is taken
    // after the wait, so the reply time includes it); -1 without one.
    qint16 quietMs = -1;
};

// Nothing at all for an index outside the log.
std::optional<LineTiming> lineTiming(const TrafficLog &log, int index);
