#pragma once

#include "Feed.h"

#include <QByteArray>
#include <QObject>

class TrafficLog;

// Checks every [IN] line as it is appended: its content must be exactly the
// next bytes of the feed (the log keeps the bytes whatever it shows), so
// every byte appears once and in order. Notes when the lines came.
class LogChecker : public QObject {
public:
    LogChecker(TrafficLog &log, Feed::Pattern pattern);

    qint64 bytesSeen() const { return m_offset; }
    qint64 lines() const { return m_lines; }
    bool inOrder() const { return m_inOrder; }
    qint64 lastLineNs() const { return m_lastLineNs; }

private:
    void check(int row);

    TrafficLog &m_log;
    Feed::Pattern m_pattern;
    qint64 m_offset = 0;
    qint64 m_lines = 0;
    bool m_inOrder = true;
    qint64 m_lastLineNs = 0;
};
