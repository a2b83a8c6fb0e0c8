#pragma once

#include "text/Tokens.h"

#include <QHash>
#include <QString>

struct EngineContext;

// Says why a text was not sent, so that a failure never looks like success:
// the status bar names the token at fault (or the character without a byte)
// and where it was, for a few seconds. When the user sent the send box and
// the fault lies in it, it is selected there. A text that the repetition
// meets again and again is told once, until it was sent or the repetition
// was switched.
class NotSentNotice {
public:
    // Where a text to send came from.
    enum class Source { SendBox, Slot1, Slot8 = Slot1 + 7 };

    // The parts a text was joined from: prefix, the box's own text, suffix.
    struct Parts {
        qsizetype prefixLength = 0;
        qsizetype boxLength = 0;
    };

    explicit NotSentNotice(EngineContext &context) : m(context) {}

    // A text from source could not be sent for fault; byUser is false for
    // the repetition.
    void tell(Source source, const QString &text, const DecodeFault &fault, Parts parts,
              bool byUser);
    // A text from source went out: its next failure is news again.
    void sent(Source source);
    // The repetition was switched: every failure is news again.
    void forgetTold() { m_told.clear(); }

    // Where a fault lies in a joined text.
    enum class Where { Box, Prefix, Suffix };
    static Where whereIs(const DecodeFault &fault, Parts parts);

    // The status text with the characters at fault: the template tokenId for
    // a token that does not decode, charId for a character without a byte;
    // the ids after each are the same for the prefix and the suffix.
    static QString text(qint32 tokenId, qint32 charId, const QString &text,
                        const DecodeFault &fault, Where where, quint8 language);

    static constexpr qint32 kBadTokenText = 2100; // 2101 prefix, 2102 suffix
    static constexpr qint32 kNoByteText = 2103;   // 2104 prefix, 2105 suffix

private:
    EngineContext &m;
    QHash<int, QString> m_told; // source -> the text told last
};
