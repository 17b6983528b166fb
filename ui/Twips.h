#pragma once

#include <QRect>
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

} // namespace nearbell
