#include "text/TokenDecoder.h"

#include "text/Codec.h"
#include "text/NumericToken.h"
#include "text/Tokens.h"

#include <algorithm>

namespace
{

constexpr int kNone = -1;

// The character of a node that holds final bytes: no bracket, and no digit,
// blank or sign, so an inside that reaches over it is never a number.
constexpr char16_t kFinal = 0xFFFF;

} // namespace

// The named tokens are replaced in the same pass that builds the nodes: no two
// of them can overlap and none holds a character that a replacement makes, so
// one scan gives what replacing them one after another gives.
TokenDecoder::TokenDecoder(const QString &text)
{
    const qsizetype size = text.size();
    m_chars.reserve(size);
    m_next.reserve(std::size_t(size));
    m_start.reserve(std::size_t(size));
    m_end.reserve(std::size_t(size));
    for (qsizetype i = 0; i < size;) {
        uchar code = 0;
        const int named = namedSendTokenAt(QStringView(text).mid(i), code);
        if (named > 0) {
            addNode(Codec::charFromByte(code), i, i + named);
            i += named;
        } else {
            addNode(text[i], i, i + 1);
            ++i;
        }
    }
    const int nodes = int(m_chars.size());
    m_nextBracket.assign(std::size_t(nodes), kNone);
    m_prevBracket.assign(std::size_t(nodes), kNone);
    int lastBracket = kNone;
    for (int node = 0; node < nodes; ++node) {
        m_next.push_back(node + 1 < nodes ? node + 1 : kNone);
        if (!isBracket(node))
            continue;
        m_prevBracket[node] = lastBracket;
        if (lastBracket != kNone)
            m_nextBracket[lastBracket] = node;
        lastBracket = node;
    }
    for (int node = 0; node < nodes; ++node) {
        if (isOpen(node))
            indexPairAt(node);
    }
}

void TokenDecoder::addNode(QChar ch, qsizetype start, qsizetype end)
{
    m_chars.append(ch);
    m_start.push_back(start);
    m_end.push_back(end);
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

int TokenDecoder::firstCloseFrom(int bracket) const
{
    for (int node = bracket; node != kNone; node = m_nextBracket[node]) {
        if (isClose(node))
            return node;
    }
    return kNone;
}

// Indexes the tight pair that starts at this '<', if there is one and its
// inside is a valid numeric token.
void TokenDecoder::indexPairAt(int open)
{
    const int close = m_nextBracket[open];
    if (close == kNone || !isClose(close))
        return;
    QString inside = insideOf(open);
    if (replacementFor(inside))
        m_pairs[std::move(inside)].push_back(open);
}

std::optional<TokenDecoder::Replacement> TokenDecoder::replacementFor(QStringView inside)
{
    if (const auto ch = numericTokenChar(inside))
        return Replacement{*ch, {}};
    if (auto bytes = hexTokenBytes(inside))
        return Replacement{QChar(kFinal), std::move(*bytes)};
    return std::nullopt;
}

std::optional<QString> TokenDecoder::run(Span *failedAt)
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
            const int end = firstCloseFrom(close);
            if (end != kNone)
                return fail(first, end, failedAt);
            return text();
        }
        const QString inside = insideOf(first);
        const auto replacement = replacementFor(inside);
        if (!replacement || !replaceAll(inside, *replacement, first))
            return fail(first, close, failedAt);
    }
}

std::optional<QString> TokenDecoder::fail(int open, int close, Span *failedAt) const
{
    if (failedAt)
        *failedAt = {m_start[open], m_end[close] - m_start[open]};
    return std::nullopt;
}

// Replaces the pairs as they stand now; pairs that these replacements create
// wait for a later round, as with a replace-all over the text.
bool TokenDecoder::replaceAll(const QString &inside, const Replacement &replacement, int first)
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
        replacePair(open, replacement);
    return true;
}

void TokenDecoder::replacePair(int open, const Replacement &replacement)
{
    const int close = m_nextBracket[open];
    const int before = m_prevBracket[open];
    const int after = m_nextBracket[close];

    m_next[open] = m_next[close];
    m_chars[open] = replacement.ch;
    m_end[open] = m_end[close];
    if (!replacement.finalBytes.isEmpty())
        m_finalBytes.insert(open, replacement.finalBytes); // shared, not copied

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
    for (int node = m_chars.isEmpty() ? kNone : 0; node != kNone; node = m_next[node]) {
        const auto held =
            m_chars[node] == kFinal ? m_finalBytes.constFind(node) : m_finalBytes.constEnd();
        if (held != m_finalBytes.constEnd())
            result.append(Codec::toText(*held));
        else
            result.append(m_chars[node]);
    }
    return result;
}
