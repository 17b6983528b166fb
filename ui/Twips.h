#pragma once

#include <QRect>
#include <QtGlobal>
#include <cmath>

namespace nearbell {

// Window geometry is kept in twips (1/1440 inch). At the screen's logical
// resolution a pixel is 1440 / dpi twips: 15 at 96 dpi.
inline double twipsPerPixel(double logicalDpi)
{
    return logicalDpi > 0 ? 1440.0 / logicalDpi : 15.0;
}

inline int twipsToPixels(int twips, double logicalDpi)
{
    return int(std::lround(twips / twipsPerPixel(logicalDpi)));
}

inline QRect twipsRect(int left, int top, int width, int height, double logicalDpi)
{
    return QRect(twipsToPixels(left, logicalDpi), twipsToPixels(top, logicalDpi),
                 twipsToPixels(width, logicalDpi), twipsToPixels(height, logicalDpi));
}

// A twips value as the window keeps it: a 16-bit integer, rounded halves
// to even, clamped (never wrapped) when it lies beyond that range.
inline qint16 toTwips16(double twips)
{
    if (!std::isfinite(twips))
        return 0;
    const double rounded = std::nearbyint(twips);
    if (rounded > 32767.0)
        return 32767;
    if (rounded < -32768.0)
        return -32768;
    return qint16(rounded);
}

} // namespace nearbell
