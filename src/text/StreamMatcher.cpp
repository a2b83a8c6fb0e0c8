#include "text/StreamMatcher.h"

#include <algorithm>
#include <deque>

namespace {
constexpr int kAlphabet = 256;
}

void StreamMatcher::setPatterns(const QList<QByteArray> &patterns)
{
    // The trie first: -1 where no pattern goes on.
    m_next.assign(kAlphabet, -1);
    m_outputs.assign(1, {});
    for (int p = 0; p < patterns.size(); ++p) {
        const QByteArray &pattern = patterns[p];
        if (pattern.isEmpty())
            continue;
        int state = 0;
        for (const char c : pattern) {
            const std::size_t edge = std::size_t(state) * kAlphabet + uchar(c);
            if (m_next[edge] < 0) {
                m_next[edge] = int(m_outputs.size());
                m_outputs.emplace_back();
                m_next.resize(m_next.size() + kAlphabet, -1);
            }
            state = m_next[edge];
        }
        m_outputs[std::size_t(state)].append(p);
    }
    // Then breadth first, every missing edge goes where the longest suffix
    // that is a prefix of some pattern goes, and every state reports what
    // its longest such suffix reports.
    std::vector<int> fail(m_outputs.size(), 0);
    std::deque<int> queue;
    for (int c = 0; c < kAlphabet; ++c) {
        int &next = m_next[std::size_t(c)];
        if (next < 0)
            next = 0;
        else
            queue.push_back(next);
    }
    while (!queue.empty()) {
        const int state = queue.front();
        queue.pop_front();
        const QList<int> &inherited = m_outputs[std::size_t(fail[std::size_t(state)])];
        QList<int> &own = m_outputs[std::size_t(state)];
        own += inherited;
        std::sort(own.begin(), own.end());
        for (int c = 0; c < kAlphabet; ++c) {
            int &next = m_next[std::size_t(state) * kAlphabet + std::size_t(c)];
            const int viaFail =
                m_next[std::size_t(fail[std::size_t(state)]) * kAlphabet + std::size_t(c)];
            if (next < 0) {
                next = viaFail;
            } else {
                fail[std::size_t(next)] = viaFail;
                queue.push_back(next);
            }
        }
    }
    m_state = 0;
}

void StreamMatcher::feed(QByteArrayView bytes,
                         const std::function<void(int pattern, qsizetype end)> &found)
{
    if (m_outputs.size() <= 1)
        return; // no pattern: nothing to look at
    const int *next = m_next.data();
    const std::vector<QList<int>> &outputs = m_outputs;
    int state = m_state;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        state = next[std::size_t(state) * kAlphabet + uchar(bytes[i])];
        const QList<int> &ending = outputs[std::size_t(state)];
        if (Q_LIKELY(ending.isEmpty()))
            continue;
        for (const int pattern : ending)
            found(pattern, i + 1);
    }
    m_state = state;
}
