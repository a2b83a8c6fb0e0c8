#pragma once

#include "Feed.h"

#include <QByteArray>
#include <QObject>

#include <array>

class TrafficLog;

// Checks every [IN] line as it is appended: its content must be exactly the
// next bytes of the feed (spelled as tokens where the log shows tokens), so
// every byte appears once and in order. Notes when the lines came.
class LogChecker : public QObject {
public:
    LogChecker(TrafficLog &log, Feed::Pattern pattern, bool tokens);

    qint64 bytesSeen() const { return m_offset; }
    qint64 lines() const { return m_lines; }
    bool inOrder() const { return m_inOrder; }
    qint64 lastLineNs() const { return m_lastLineNs; }

private:
    void check(int row);

    TrafficLog &m_log;
    Feed::Pattern m_pattern;
    std::array<QByteArray, 256> m_shown; // how each byte appears in a line
    qint64 m_offset = 0;
    qint64 m_lines = 0;
    bool m_inOrder = true;
    qint64 m_lastLineNs = 0;
};
