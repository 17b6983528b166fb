#pragma once

#include <QString>
#include <QList>
#include <QStringList>

#include "host/SourceLine.h"

namespace nearbell {

// The whole station set-up, from the host profile "uiview32.ini" beside the
// program (sections STATION and HOST). Every default lives here: a key that
// is missing or cannot be used gives the value below.
struct HostSettings
{
    QString callsign;             // STATION/CALLSIGN, empty when missing
    bool hasOwnPosition = false;  // STATION/LATITUDE and LONGITUDE both readable
    double ownLatitude = 0.0;     // signed minutes of arc, north positive
    double ownLongitude = 0.0;    // signed minutes of arc, east positive
    SourceLine source;            // HOST/SOURCE
    // HOST/SOURCE2, SOURCE3, SOURCE4 that are not empty, in that order:
    // sources heard at once with the first.
    QList<SourceLine> moreSources;
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
    // What the profile holds that cannot be used, each with its
    // consequence, for the status line.
    QStringList problems;

    static constexpr int kMaxExpireMinutes = 10080;
    static constexpr int kMaxRangeKm = 20000;
    static constexpr int kMaxReplayMs = 3600000;

    static constexpr int kMaxSources = 4;

    // Every source line: SOURCE, then the others.
    QList<SourceLine> sources() const { return QList<SourceLine>{source} + moreSources; }

    bool operator==(const HostSettings &other) const = default;
};

} // namespace nearbell
