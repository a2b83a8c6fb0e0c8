#pragma once

#include <QHash>
#include <QString>

#include <optional>
#include <vector>

// Resolves the numeric tokens of a text whose named tokens are already replaced.
//
// The rule it reproduces is simple to state and slow to run as written: take the
// first '<' and the first '>' after it; the inside must be a numeric token,
// otherwise the whole decoding fails; replace every occurrence of that token in
// the text by its character; start again from the beginning. A produced '<' or
// '>' therefore takes part in later rounds ('<60>65>' gives "A").
//
// Done literally every round rescans the whole text. This class gets the same
// result in about linear time from these facts:
//  - A round can only succeed on a tight pair: a '<', a '>' and no bracket in
//    between. Tight pairs never overlap, so the occurrences a round replaces are
//    exactly the tight pairs that have the same inside at the start of the round.
//  - No '<' stands before the first '<' and every replacement lies at or after
//    it, so the search for the first '<' only ever moves forward.
//  - A replacement leaves one character where its pair stood. That can only
//    create new tight pairs around that character; it never changes another
//    pair. Pairs with an inside that is not a valid number are never indexed:
//    they can only ever end the decoding once they come first.
// The characters live in a linked list in text order (a replaced pair keeps the
// node of its '<'), the brackets in a second list, and tight pairs with a valid
// inside are indexed by their inside.
class TokenDecoder
{
public:
    explicit TokenDecoder(const QString &text);

    // The decoded text, or nothing when a round meets an inside that is not a
    // valid numeric token.
    std::optional<QString> run();

private:
    bool isBracket(int node) const;
    bool isOpen(int node) const;
    bool isClose(int node) const;
    QString insideOf(int open) const;
    bool anyCloseFrom(int bracket) const;
    void indexPairAt(int open);
    bool replaceAll(const QString &inside, QChar ch, int first);
    void replacePair(int open, QChar ch);
    QString text() const;

    QString m_chars;                // the character of every node
    std::vector<int> m_next;        // all nodes in text order
    std::vector<int> m_nextBracket; // bracket nodes in text order
    std::vector<int> m_prevBracket;
    QHash<QString, std::vector<int>> m_pairs; // valid inside -> '<' nodes of its tight pairs
};
