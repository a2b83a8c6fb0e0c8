#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// Where the main window goes at the start, from the place it had at the end
// of an earlier run (all in pixels). The screens may have changed since:
// a monitor gone, a smaller resolution.
namespace WindowPlacement {

struct Placement {
    QSize size;
    std::optional<QPoint> position; // none: the window system places the window
};

// The stored size, at least `least`. Its position is kept where the window
// lies whole on one of screens (their available areas); else the window
// system places it.
Placement restore(const QRect &stored, QSize least, const QList<QRect> &screens);

} // namespace WindowPlacement
