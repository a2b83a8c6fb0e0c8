#pragma once

#include "app/TriggerFile.h"
#include "text/StreamMatcher.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <deque>
#include <vector>

struct EngineContext;
class Transmitter;

// Runs the trigger rules: the received bytes are matched as the port reads
// them, one pass for all patterns (StreamMatcher), and every occurrence
// fires its rule once. A rule that fires queues its reply for its delay;
// replies go out as they fall due, those due together in the order their
// rules fired, each as a command slot is sent, its [OUT] line naming the
// rule. Replies are sent from the event loop, never inside the read that
// found the match, so one can go out between two writes of a transmission
// under way.
//
// Matching starts afresh at every opening of the port; replies still due
// when the port is no longer open are dropped. A rule that fires more than
// kMostFiringsPerSecond times within one second is switched off (its Active
// becomes 0), and the status bar says so.
class TriggerRunner : public QObject {
    Q_OBJECT
public:
    static constexpr int kMostFiringsPerSecond = 10;

    TriggerRunner(EngineContext &context, Transmitter &transmitter);

    // The rules to run (only usable ones; see TriggerCheck).
    void setRules(const TriggerSet &set);
    const TriggerSet &rules() const { return m_set; }
    // The switch of all rules.
    void setAllActive(bool active);
    bool allActive() const { return m_set.active; }
    // Whether a rule would fire now: the switch and at least one rule on.
    bool running() const;

    // Bytes as the port read them.
    void received(QByteArrayView bytes);
    // An opening of the port begins: a new stream, nothing due.
    void restart();

    // Replies waiting for their delay.
    int dueCount() const { return int(m_due.size()); }

Q_SIGNALS:
    // A rule was switched off by the loop guard.
    void ruleSwitchedOff(int number);

private:
    struct Due {
        qint64 atMs;
        int rule;
    };
    void fire(int rule);
    void sendDue();
    void send(int rule);
    void arm();

    EngineContext &m;
    Transmitter &m_transmitter;
    TriggerSet m_set;
    QList<int> m_numbers;                      // the number each rule is named by
    StreamMatcher m_matcher;                   // one pattern per rule, in order
    std::deque<Due> m_due;                     // by due time, then by firing
    std::vector<std::deque<qint64>> m_firings; // per rule: firing times in the last second
    QElapsedTimer m_clock;
    QTimer m_timer;
    bool m_sending = false;
};
