#pragma once

#include <QString>

namespace nearbell {

// The host's own settings, from the host profile "uiview32.ini" beside the
// program (sections STATION and HOST).
struct HostSettings
{
    QString callsign;             // STATION/CALLSIGN, empty when missing
    bool hasOwnPosition = false;  // STATION/LATITUDE and LONGITUDE both readable
    double ownLatitude = 0.0;     // signed minutes of arc, north positive
    double ownLongitude = 0.0;    // signed minutes of arc, east positive
    QString source = QStringLiteral("KISS 127.0.0.1:8001"); // HOST/SOURCE
    bool unitsMiles = false;      // HOST/UNITS "MILES" (default "KM")
    int expireMinutes = 1440;     // HOST/EXPIRE: a day
    int rangeKm = 100;            // HOST/RANGE_KM (APRS-IS filter radius)
    QString filter;               // HOST/FILTER, replaces the APRS-IS filter when not empty
    int replayMs = 1000;          // HOST/REPLAY_MS
    QString folder;               // folder of the profile: relative REPLAY paths start here
    QString serialInit;           // HOST/SERIAL_INIT: the TNC init file, absolute; empty for none
    // STATION/POSITION "GPSD [host:port]": the own position follows gpsd's fix
    bool positionFromGpsd = false;
    QString gpsdHost = QStringLiteral("127.0.0.1");
    quint16 gpsdPort = 2947;
};

} // namespace nearbell
