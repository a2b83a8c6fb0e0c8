#pragma once

#include <QByteArray>

#include <deque>

// First-in first-out bytes for a receive backlog of many megabytes: taking
// from the front never moves what stays behind, and small arrivals are
// packed into shared chunks.
class ByteQueue {
public:
    void append(const char *data, qsizetype size);
    // Up to `count` bytes from the front, removed from the queue.
    QByteArray take(qsizetype count);
    // Up to `count` bytes from the front, left in the queue.
    QByteArray peek(qsizetype count) const;
    qsizetype size() const { return m_size; }
    bool isEmpty() const { return m_size == 0; }
    void clear();

private:
    std::deque<QByteArray> m_chunks;
    qsizetype m_headOffset = 0; // bytes of the first chunk already taken
    qsizetype m_size = 0;
};
