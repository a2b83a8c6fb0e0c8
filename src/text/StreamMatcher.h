#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <functional>
#include <vector>

// Finds byte patterns in a stream as it comes, in one pass over each piece
// for all patterns at once (an Aho–Corasick automaton made into a table of
// 256 next states per state): a piece costs one table look-up per byte,
// however many patterns there are. A pattern split across pieces is found
// where its last byte comes; occurrences may overlap, and each is told once,
// in the order their last bytes came (patterns that end on the same byte in
// the order they were given).
class StreamMatcher {
public:
    // Patterns of no bytes are never found.
    void setPatterns(const QList<QByteArray> &patterns);
    // Forgets what came before: the next piece starts a new stream.
    void reset() { m_state = 0; }

    // Calls found(pattern index, offset in bytes of the byte after the match)
    // for every occurrence that ends in bytes.
    void feed(QByteArrayView bytes, const std::function<void(int pattern, qsizetype end)> &found);

private:
    std::vector<int> m_next;           // state * 256 + byte -> state
    std::vector<QList<int>> m_outputs; // per state: the patterns ending there
    int m_state = 0;
};
