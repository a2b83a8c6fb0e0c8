#include "text/TokenDecoder.h"

#include "text/NumericToken.h"

#include <algorithm>

namespace
{

constexpr int kNone = -1;

} // namespace

TokenDecoder::TokenDecoder(const QString &text)
    : m_chars(text), m_next(std::size_t(text.size())),
      m_nextBracket(std::size_t(text.size()), kNone), m_prevBracket(std::size_t(text.size()), kNone)
{
    const int size = int(text.size());
    int lastBracket = kNone;
    for (int node = 0; node < size; ++node) {
        m_next[node] = node + 1 < size ? node + 1 : kNone;
        if (!isBracket(node))
            continue;
        m_prevBracket[node] = lastBracket;
        if (lastBracket != kNone)
            m_nextBracket[lastBracket] = node;
        lastBracket = node;
    }
    for (int node = 0; node < size; ++node) {
        if (isOpen(node))
            indexPairAt(node);
    }
}

bool TokenDecoder::isBracket(int node) const
{
    return isOpen(node) || isClose(node);
}

bool TokenDecoder::isOpen(int node) const
{
    return m_chars[node] == u'<';
}

bool TokenDecoder::isClose(int node) const
{
    return m_chars[node] == u'>';
}

QString TokenDecoder::insideOf(int open) const
{
    const int close = m_nextBracket[open];
    QString inside;
    for (int node = m_next[open]; node != close; node = m_next[node])
        inside.append(m_chars[node]);
    return inside;
}

bool TokenDecoder::anyCloseFrom(int bracket) const
{
    for (int node = bracket; node != kNone; node = m_nextBracket[node]) {
        if (isClose(node))
            return true;
    }
    return false;
}

// Indexes the tight pair that starts at this '<', if there is one and its
// inside is a valid numeric token.
void TokenDecoder::indexPairAt(int open)
{
    const int close = m_nextBracket[open];
    if (close == kNone || !isClose(close))
        return;
    QString inside = insideOf(open);
    if (numericTokenChar(inside))
        m_pairs[std::move(inside)].push_back(open);
}

std::optional<QString> TokenDecoder::run()
{
    int first = m_chars.isEmpty() ? kNone : 0;
    for (;;) {
        while (first != kNone && !isOpen(first))
            first = m_next[first];
        if (first == kNone)
            return text();
        const int close = m_nextBracket[first];
        if (close == kNone)
            return text();
        if (isOpen(close)) {
            // The inside up to the next '>' would hold a '<': never a number.
            if (anyCloseFrom(close))
                return std::nullopt;
            return text();
        }
        const QString inside = insideOf(first);
        const auto ch = numericTokenChar(inside);
        if (!ch)
            return std::nullopt;
        if (!replaceAll(inside, *ch, first))
            return std::nullopt;
    }
}

// Replaces the pairs as they stand now; pairs that these replacements create
// wait for a later round, as with a replace-all over the text.
bool TokenDecoder::replaceAll(const QString &inside, QChar ch, int first)
{
    std::vector<int> opens = m_pairs.take(inside);
    std::sort(opens.begin(), opens.end());
    // The first pair is always indexed. Were it not, nothing would be replaced
    // and the rounds would never end; failing is the safe way out, and the
    // comparison with the literal rule makes such a fault visible.
    Q_ASSERT(!opens.empty() && opens.front() == first);
    if (opens.empty() || opens.front() != first)
        return false;
    for (int open : opens)
        replacePair(open, ch);
    return true;
}

void TokenDecoder::replacePair(int open, QChar ch)
{
    const int close = m_nextBracket[open];
    const int before = m_prevBracket[open];
    const int after = m_nextBracket[close];

    m_next[open] = m_next[close];
    m_chars[open] = ch;

    const int left = isBracket(open) ? open : before;
    if (left != kNone)
        m_nextBracket[left] = after;
    if (after != kNone)
        m_prevBracket[after] = left;

    // The new character may close a '<' before it, open a pair with the '>'
    // after it, or, being no bracket, let the brackets around it meet.
    if (isOpen(open))
        indexPairAt(open);
    else if (before != kNone && isOpen(before))
        indexPairAt(before);
}

QString TokenDecoder::text() const
{
    QString result;
    result.reserve(m_chars.size());
    for (int node = m_chars.isEmpty() ? kNone : 0; node != kNone; node = m_next[node])
        result.append(m_chars[node]);
    return result;
}
