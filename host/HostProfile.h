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
//    host options (HOST: SOURCE, UNITS, EXPIRE, RANGE_KM, FILTER, REPLAY_MS)
//    into HostSettings, falling back to the defaults for missing or
//    unusable values; the file is never written;
//  - parse the own position texts in the forms people type: the APRS form
//    ("5212.34N", "00512.34E"), signed decimal degrees ("52.2057",
//    "-5.2057") and decimal degrees with a hemisphere letter ("52.2057N",
//    "5.2057W"). Anything else, and a latitude beyond 90 or a longitude
//    beyond 180 degrees, leaves the host without an own position rather
//    than at a wrong place (the status line says so).
class HostProfile
{
public:
    static HostSettings read(const QString &path);

    // Signed minutes of arc (north positive), or nothing when unreadable.
    // APRS form: two digits of degrees, two of minutes, ".", one or more
    // digits of decimal minutes, "N" or "S" (either letter case).
    static std::optional<double> parseLatitude(QStringView text);
    // Signed minutes of arc (east positive): as above with three digits of
    // degrees in the APRS form and "E" or "W".
    static std::optional<double> parseLongitude(QStringView text);
};

} // namespace nearbell
