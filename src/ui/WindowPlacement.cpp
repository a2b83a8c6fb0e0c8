#include "ui/WindowPlacement.h"

#include <algorithm>

namespace WindowPlacement {

Placement restore(const QRect &stored, QSize least, const QList<QRect> &screens)
{
    Placement placed;
    placed.size = stored.size().expandedTo(least);
    const QRect wanted(stored.topLeft(), placed.size);
    const bool fits = std::any_of(screens.begin(), screens.end(), [&wanted](const QRect &screen) {
        return screen.contains(wanted);
    });
    if (fits)
        placed.position = wanted.topLeft();
    return placed;
}

} // namespace WindowPlacement
