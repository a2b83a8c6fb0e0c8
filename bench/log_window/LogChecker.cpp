#include "LogChecker.h"

#include "engine/TrafficLog.h"

#include <cstring>

namespace {
constexpr int kContentStart = 21; // after "hh:mm:ss.zzz" and the nine-character marker
const QByteArray kInMarker = QByteArrayLiteral("  [IN]   ");
} // namespace

LogChecker::LogChecker(TrafficLog &log, Feed::Pattern pattern) : m_log(log), m_pattern(pattern)
{
    QObject::connect(&log, &TrafficLog::rowsInserted, this,
                     [this](const QModelIndex &, int first, int last) {
                         for (int row = first; row <= last; ++row)
                             check(row);
                     });
}

// Cheap, as it runs inside the program being measured: no copies.
void LogChecker::check(int row)
{
    const QByteArray &line = m_log.lineBytes(row);
    if (line.size() < kContentStart || std::memcmp(line.constData() + 12, kInMarker.constData(), 9) != 0)
        return;
    m_lastLineNs = Feed::monotonicNs();
    ++m_lines;
    const char *content = line.constData() + kContentStart;
    const qsizetype size = line.size() - kContentStart;
    for (qsizetype at = 0; at < size; ++at, ++m_offset) {
        if (content[at] != Feed::byteAt(m_pattern, m_offset)) {
            m_inOrder = false;
            return;
        }
    }
}
