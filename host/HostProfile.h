#pragma once

#include <QString>
#include <QStringView>

#include <optional>

#include "host/HostSettings.h"

namespace nearbell {

// The host's own settings file "uiview32.ini" (read only).
//
// Responsibilities:
//  - read the own station (STATION: CALLSIGN, LATITUDE, LONGITUDE) and the
//    host options (HOST: SOURCE, UNITS, EXPIRE, RANGE_KM, FILTER, REPLAY_MS,
//    SERIAL_INIT) and where the own position comes from (STATION: POSITION)
//    into HostSettings, falling back to the defaults for missing or
//    unusable values; the file is never written;
//  - parse the own position texts strictly: "DDMM.mmN" and "DDDMM.mmE".
//    A position that is not exactly of that form, with minutes of 60 or
//    more, a latitude beyond 90 degrees or a longitude beyond 180 degrees,
//    leaves the host without an own position rather than at a wrong place.
class HostProfile
{
public:
    static HostSettings read(const QString &path);

    // Signed minutes of arc (north positive), or nothing when malformed.
    // Form: two digits of degrees, two of minutes, ".", one or more digits
    // of decimal minutes, "N" or "S" (either letter case).
    static std::optional<double> parseLatitude(QStringView text);
    // Signed minutes of arc (east positive): as above with three digits of
    // degrees and "E" or "W".
    static std::optional<double> parseLongitude(QStringView text);

    // STATION/POSITION: empty keeps the fixed position; "GPSD" (any letter
    // case) follows gpsd at 127.0.0.1:2947, "GPSD host:port" elsewhere.
    // False, leaving settings as they were, for anything else.
    static bool parsePositionSource(QStringView text, HostSettings &settings);
};

} // namespace nearbell
