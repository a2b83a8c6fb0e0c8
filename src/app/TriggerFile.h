#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The trigger rules of Triggers.ini in the data folder, in Windows-1252 as
// the command files are:
//
//   [Triggers]
//   Active=1          the switch of all rules; on in a file the program makes
//   [Trigger1]        one section per rule, numbered from 1
//   Active=1
//   When=RING         what is received, in token notation
//   Send=ATA<CR>      what is sent then, unless Slot names a command slot
//   Slot=0            1 to 8: that command slot is sent instead
//   AfterMs=0         the delay, 0 to 60,000
//
// Whatever the program does not own stays: keys it does not know (behind
// its own keys when it writes), other sections, and the section of a rule it
// cannot use, byte for byte under its own number. The rules it writes take
// the numbers 1 to n that no such section holds.
struct TriggerRule {
    static constexpr int kMostAfterMs = 60000;

    bool active = true;
    QString when;
    QString send;
    int slot = 0;
    int afterMs = 0;
    // Read from the file: its number, the whole section, the lines the
    // program does not own, and the first key whose value it cannot read.
    int number = 0;
    QByteArray section;
    QByteArray kept;
    QString badKey;

    bool sameAs(const TriggerRule &o) const
    {
        return active == o.active && when == o.when && send == o.send && slot == o.slot &&
               afterMs == o.afterMs && kept == o.kept;
    }
};

struct TriggerSet {
    static constexpr int kMostRules = 16;

    // A rule section the program cannot use, and why.
    struct Skipped {
        int number = 0;
        QByteArray section;
        QString reason;
    };

    bool active = true;
    QList<TriggerRule> rules;
    QList<Skipped> skipped;
    QByteArray preamble;   // what stands before the first section
    QByteArray switchKept; // the lines of [Triggers] the program does not own
    QByteArray otherKept;  // sections of other names, as they stand

    // The number each rule is written under (and named by): 1 to n, passing
    // over the numbers of skipped sections.
    QList<int> ruleNumbers() const;
};

namespace TriggerFile {

QString path(const QString &dataFolder);

// The rules as the file's bytes say; every [TriggerN] section becomes a
// rule, in the order of N (a second section of one number is kept as an
// other section). Whether a rule can be used is the caller's to judge.
TriggerSet parse(QByteArrayView bytes);
// The set as the file's bytes, CR LF at every line end the program writes.
QByteArray bytes(const TriggerSet &set);

// Reads the file; a missing or unreadable one is an empty set, switched on.
TriggerSet read(const QString &path);
// Replaces the file whole; 0, or the errno of the failure (the old file
// then stays as it was).
int write(const TriggerSet &set, const QString &path);

} // namespace TriggerFile
