#pragma once

#include <QString>

// One benchmark scenario, run in a process of its own: the real main window
// on the display in DISPLAY, its COM1 a pseudo-terminal fed by a peer.
namespace Scenario {

// Prints the scenario's figures; answers the process's exit status (non-zero
// when a byte was lost, doubled or out of order, or the feed never ended).
int run(const QString &name, int argc, char *argv[]);

} // namespace Scenario
