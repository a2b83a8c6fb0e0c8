#pragma once

#include <QRect>

// Design positions and sizes of the forms are in twips: 1440 to the inch,
// so 15 to a pixel at 96 dots per inch.
namespace Twips {

constexpr int kPerInch = 1440;

inline int toPixels(double twips, double dpi)
{
    return qRound(twips * dpi / kPerInch);
}

inline QRect toPixels(const QRect &twips, double dpi)
{
    return QRect(toPixels(twips.left(), dpi), toPixels(twips.top(), dpi),
                 toPixels(twips.width(), dpi), toPixels(twips.height(), dpi));
}

inline double fromPixels(int pixels, double dpi)
{
    return pixels * kPerInch / dpi;
}

} // namespace Twips
