#pragma once

#include <QString>

namespace nearbell {

// One fixed object of the host's overlay files.
struct OverlayItem
{
    QString strName;          // exactly as written before the "!", blanks included
    float sngLatitude = 0.0f;  // signed minutes of arc, north positive
    float sngLongitude = 0.0f; // signed minutes of arc, east positive
    QString strComment;       // description or status text, possibly empty
};

} // namespace nearbell
