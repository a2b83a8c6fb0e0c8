#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QtGlobal>

// Pauses while the window stays responsive: pending events (clicks, keys, the
// other timer) run during the pause. It blocks on the event queue until a
// precise deadline rather than spinning, so a pause costs no processor time.
// A pause of 0 or less returns at once without processing events.
void WaitMilliseconds(qint16 ms);

// The same, up to a deadline computed by the caller.
void WaitUntil(const QDeadlineTimer &deadline);

// Ends every pause in progress. When the window closes, a transmission or a
// repetition pause of many seconds must not keep the program alive behind it.
void AbandonWaits();

// A wait for something that events bring (a connection made, an answer
// received): wait() runs the window's events until wake() is called, the
// deadline passes, cancel() is called or AbandonWaits() ends every pause.
// The caller looks at what it waits for after each return.
class EventWait {
public:
    enum class End { Woken, Expired, Cancelled };

    explicit EventWait(const QDeadlineTimer &deadline) : m_deadline(deadline) {}
    EventWait(const EventWait &) = delete;
    EventWait &operator=(const EventWait &) = delete;

    End wait(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);
    void wake();
    void cancel();
    bool cancelled() const { return m_cancelled; }
    const QDeadlineTimer &deadline() const { return m_deadline; }

private:
    QDeadlineTimer m_deadline;
    QEventLoop *m_loop = nullptr;
    bool m_woken = false;
    bool m_cancelled = false;
};
