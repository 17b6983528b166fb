#pragma once

#include <QString>
#include <QStringView>

#include <optional>

#include "host/HostSettings.h"

namespace nearbell {

// The host's own settings file "uiview32.ini".
//
// Responsibilities:
//  - the only reader and writer of the station set-up's keys: the own
//    station (STATION: CALLSIGN, LATITUDE, LONGITUDE, POSITION) and the
//    host options (HOST: SOURCE, SOURCE2 to SOURCE4, UNITS, EXPIRE, RANGE_KM,
//    FILTER, REPLAY_MS, SERIAL_INIT);
//  - turn them into HostSettings, falling back to its defaults for missing
//    or unusable values and saying which were unusable;
//  - read the stored texts for the set-up window and write back only what
//    changed, in one replacement of the file;
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
        QString position;   // STATION/POSITION
        QString serialInit; // HOST/SERIAL_INIT
        QString source2;    // HOST/SOURCE2
        QString source3;    // HOST/SOURCE3
        QString source4;    // HOST/SOURCE4
        bool operator==(const Texts &) const = default;
    };
    // Missing keys give empty texts.
    static Texts readTexts(const QString &path);
    // Writes the keys whose text differs between before and after, all in
    // one replacement of the file; nothing when none differs. Comments,
    // other sections, unknown keys, letter case and line ends stay. False,
    // with the file as it was, when a value holds a line break or the file
    // cannot be written.
    static bool write(const QString &path, const Texts &before, const Texts &after,
                      QString *failure = nullptr);

    static HostSettings read(const QString &path);
    // The settings the texts describe; folder is where relative files are.
    static HostSettings settingsOf(const Texts &texts, const QString &folder);

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
