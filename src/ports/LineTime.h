#pragma once

#include "ports/PortSettingsString.h"

#include <QtGlobal>

#include <chrono>

// Bits one character takes on the line, counted in half bits so that 1.5 stop
// bits stay whole: the start bit, the data bits, the parity bit (none without
// parity) and the stop bits. 8N1 gives 20, 7E1 20, 8E2 24, 5N1.5 15.
int halfBitsPerCharacter(const PortSettings &settings);

// How long the characters still queued for the line may take to leave before
// the device counts as holding the line: their time on the line at the set
// rate and format, times 1.25, plus one second; at most 60 seconds.
std::chrono::milliseconds drainLimit(qint64 queuedCharacters, const PortSettings &settings);
