#include "ports/ByteQueue.h"

#include <algorithm>

namespace {
constexpr qsizetype chunkSize = 64 * 1024;
}

void ByteQueue::append(const char *data, qsizetype size)
{
    m_size += size;
    while (size > 0) {
        if (m_chunks.empty() || m_chunks.back().size() >= chunkSize) {
            m_chunks.emplace_back();
            m_chunks.back().reserve(chunkSize);
        }
        QByteArray &tail = m_chunks.back();
        const qsizetype part = std::min(size, chunkSize - tail.size());
        tail.append(data, part);
        data += part;
        size -= part;
    }
}

QByteArray ByteQueue::take(qsizetype count)
{
    count = std::clamp<qsizetype>(count, 0, m_size);
    QByteArray out;
    out.reserve(count);
    while (out.size() < count) {
        const QByteArray &head = m_chunks.front();
        const qsizetype part = std::min(count - out.size(), head.size() - m_headOffset);
        out.append(head.constData() + m_headOffset, part);
        m_headOffset += part;
        if (m_headOffset == head.size()) {
            m_chunks.pop_front();
            m_headOffset = 0;
        }
    }
    m_size -= count;
    return out;
}

QByteArray ByteQueue::peek(qsizetype count) const
{
    count = std::clamp<qsizetype>(count, 0, m_size);
    QByteArray out;
    out.reserve(count);
    qsizetype offset = m_headOffset;
    for (auto chunk = m_chunks.begin(); out.size() < count; ++chunk, offset = 0)
        out.append(chunk->constData() + offset,
                   std::min(count - out.size(), chunk->size() - offset));
    return out;
}

void ByteQueue::clear()
{
    m_chunks.clear();
    m_headOffset = 0;
    m_size = 0;
}
