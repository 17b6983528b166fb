#pragma once

#include <QString>
#include <QStringView>

#include <optional>

#include "host/HostSettings.h"

namespace nearbell {

// The host's own settings file "uiview32.ini".
//
// Responsibilities:
//  - read the own station (STATION: CALLSIGN, LATITUDE, LONGITUDE) and the
//    host options (HOST: SOURCE, UNITS, EXPIRE, RANGE_KM, FILTER, REPLAY_MS,
//    SERIAL_INIT) and where the own position comes from (STATION: POSITION)
//    into HostSettings, falling back to the defaults for missing or
//    unusable values;
//  - read and write the stored texts for the host's set-up window;
//  - parse the own position texts in the forms people type: the APRS form
//    ("5212.34N", "00512.34E"), signed decimal degrees ("52.2057",
//    "-5.2057") and decimal degrees with a hemisphere letter ("52.2057N",
//    "5.2057W"). Anything else, and a latitude beyond 90 or a longitude
//    beyond 180 degrees, leaves the host without an own position rather
//    than at a wrong place (the status line says so).
class HostProfile
{
public:
    // The stored texts, one per key, as the set-up window edits them.
    struct Texts
    {
        QString callsign;   // STATION/CALLSIGN
        QString latitude;   // STATION/LATITUDE
        QString longitude;  // STATION/LONGITUDE
        QString source;     // HOST/SOURCE
        QString units;      // HOST/UNITS
        QString expire;     // HOST/EXPIRE
        QString rangeKm;    // HOST/RANGE_KM
        QString filter;     // HOST/FILTER
        QString replayMs;   // HOST/REPLAY_MS
    };
    // Missing keys give empty texts.
    static Texts readTexts(const QString &path);
    // Writes every key in place: comments, other sections and unknown keys
    // stay. False when a value holds a line break (it would add lines) or the
    // file cannot be written; the first failing key stops the write.
    static bool write(const QString &path, const Texts &texts);

    static HostSettings read(const QString &path);

    // Signed minutes of arc (north positive), or nothing when unreadable.
    // APRS form: two digits of degrees, two of minutes, ".", one or more
    // digits of decimal minutes, "N" or "S" (either letter case).
    static std::optional<double> parseLatitude(QStringView text);
    // Signed minutes of arc (east positive): as above with three digits of
    // degrees in the APRS form and "E" or "W".
    static std::optional<double> parseLongitude(QStringView text);

    // STATION/POSITION: empty keeps the fixed position; "GPSD" (any letter
    // case) follows gpsd at 127.0.0.1:2947, "GPSD host:port" elsewhere.
    // False, leaving settings as they were, for anything else.
    static bool parsePositionSource(QStringView text, HostSettings &settings);
};

} // namespace nearbell
