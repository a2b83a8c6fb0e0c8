#pragma once

// Whether the system is new enough for the port discovery. There are no
// Windows version numbers on this platform and discovery works its own way,
// so the answer is always yes.
bool fkt_ToolsIsMinWin2000();
