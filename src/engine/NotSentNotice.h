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

    // The templates that tell each kind of fault (DecodeFault::Kind).
    struct FaultTexts {
        qint32 token;
        qint32 noByte;
        qint32 openHex;
        qint32 oddHex;
        qint32 notHexDigit; // with the character as a second parameter
    };
    // The status text with the characters at fault. A fault in the prefix
    // or the suffix takes the template after its id, or the one after that.
    static QString text(const FaultTexts &ids, const QString &text, const DecodeFault &fault,
                        Where where, quint8 language);

    // Each followed by its forms for the prefix and the suffix.
    static constexpr FaultTexts kSendTexts{2100, 2103, 2220, 2223, 2226};

private:
    EngineContext &m;
    QHash<int, QString> m_told; // source -> the text told last
};
