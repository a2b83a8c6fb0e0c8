#pragma once

#include <QDeadlineTimer>
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
