#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <optional>
#include <vector>

// Decodes a text in token notation: first the named tokens, then the numeric ones.
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
//
// A hex token ('<0x01 3C>') stands for its bytes, which are final: they never
// take part in a later round, so its node is no bracket and an inside that
// reaches over it is no number. Such a node holds all its bytes.
//
// Every node remembers the characters of the original text it stands for, so
// a failure can name the token at fault as the user wrote it.
class TokenDecoder
{
public:
    explicit TokenDecoder(const QString &text);

    // Where the token that ends a failed decoding was written: from its '<' to
    // the '>' that closes it, in the text given to the constructor.
    struct Span {
        qsizetype start = 0;
        qsizetype length = 0;
    };

    // The decoded text, or nothing when a round meets an inside that is not a
    // valid numeric token; failedAt (when given) then tells where it stands.
    std::optional<QString> run(Span *failedAt = nullptr);

private:
    void addNode(QChar ch, qsizetype start, qsizetype end);
    bool isBracket(int node) const;
    bool isOpen(int node) const;
    bool isClose(int node) const;
    QString insideOf(int open) const;
    int firstCloseFrom(int bracket) const;
    void indexPairAt(int open);
    // What a valid inside stands for: one character that takes part in later
    // rounds, or final bytes.
    struct Replacement {
        QChar ch;
        QByteArray finalBytes;
    };
    static std::optional<Replacement> replacementFor(QStringView inside);
    bool replaceAll(const QString &inside, const Replacement &replacement, int first);
    void replacePair(int open, const Replacement &replacement);
    QString text() const;
    std::optional<QString> fail(int open, int close, Span *failedAt) const;

    QString m_chars;                // the character of every node
    std::vector<int> m_next;        // all nodes in text order
    std::vector<int> m_nextBracket; // bracket nodes in text order
    std::vector<int> m_prevBracket;
    std::vector<qsizetype> m_start; // the original characters of each node
    std::vector<qsizetype> m_end;
    QHash<int, QByteArray> m_finalBytes;      // the nodes of hex tokens
    QHash<QString, std::vector<int>> m_pairs; // valid inside -> '<' nodes of its tight pairs
};
