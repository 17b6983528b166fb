#pragma once

namespace nearbell {

// The user's four options, loaded at start-up and switched by the Alarm
// and Options menus. The scan cycle reads them on every tick.
struct OptionFlags
{
    bool gblnAudibleAlarm = true;
    bool gblnBringToFront = true;
    bool gblnScanStations = true;
    bool gblnScanOverlays = true;
};

} // namespace nearbell
