#pragma once

#include <QRect>
#include <QSize>

// The main window's design geometry in twips, and the resize rule: the log
// and the send box grow with the window, the right-hand column and the
// controls below the log follow the right and bottom edges.
namespace MainLayout {

// Outer design size, which is also the minimum size.
constexpr int kDesignWidth = 10770;
constexpr int kDesignHeight = 8790;
// The client area (below the menu bar) at the design size, status bar included.
constexpr int kClientWidth = 10650;
constexpr int kClientHeight = 7980;
constexpr int kStatusTop = 7605;
constexpr int kStatusHeight = 375;

struct Geometry {
    QRect lstSendReceive;
    QRect txtSend;
    QRect cmdDelete;
    QRect cmdQuit;
    QRect cmdSend;
    QRect fraCommands;
    QRect cmdBlockcheck;
    QRect cmdInsertSpecialChar;
    QRect chkRepeat;
    QRect chkRepeatCommandConfig;
    QRect txtWaitTime;
    QRect labDelay;
};

// The geometry of the resizable controls for a window dx twips wider and dy
// twips higher than designed; the log takes the room of the repetition
// controls when they are hidden.
Geometry arrange(int dx, int dy, bool repeatControlsVisible);

} // namespace MainLayout
