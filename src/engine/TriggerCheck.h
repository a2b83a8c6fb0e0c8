#pragma once

#include "app/TriggerFile.h"

// Whether a trigger rule can be used: its pattern and its text are checked
// as the send box checks a text to send.
namespace TriggerCheck {

// Why the rule cannot be used, in the program's language (the first bad
// token, an empty pattern or text, a number that is not one); empty when it
// can.
QString fault(const TriggerRule &rule, quint8 language);

// Moves every rule that cannot be used, and every rule beyond the 16th, to
// the skipped sections, each with its reason.
void skipUnusable(TriggerSet &set, quint8 language);

// "Trigger 3 in Triggers.ini skipped: ..." for each skipped section, joined.
QString skippedText(const TriggerSet &set, quint8 language);

} // namespace TriggerCheck
