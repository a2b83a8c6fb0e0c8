#include "LogChecker.h"

#include "engine/TrafficLog.h"
#include "text/Codec.h"
#include "text/Tokens.h"

#include <cstring>

namespace {
constexpr int kContentStart = 21; // after "hh:mm:ss.zzz" and the nine-character marker
const QByteArray kInMarker = QByteArrayLiteral("  [IN]   ");
} // namespace

LogChecker::LogChecker(TrafficLog &log, Feed::Pattern pattern, bool tokens)
    : m_log(log), m_pattern(pattern)
{
    for (int b = 0; b < 256; ++b) {
        const QString ch(Codec::charFromByte(uchar(b)));
        m_shown[b] = tokens ? Codec::toBytesReplacing(EncodeControlChars(ch), '?')
                            : QByteArray(1, char(b));
    }
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
    qsizetype at = 0;
    while (at < size) {
        const QByteArray &piece = m_shown[uchar(Feed::byteAt(m_pattern, m_offset))];
        if (at + piece.size() > size || std::memcmp(content + at, piece.constData(), size_t(piece.size())) != 0) {
            m_inOrder = false;
            return;
        }
        at += piece.size();
        ++m_offset;
    }
}
