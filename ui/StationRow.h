#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cmath>

namespace nearbell {

// Where a station stands with the alarm, as the main window's lists say.
enum class StationState { None, InRange, Acknowledged, Watched };

// One station as the Stations window and the details window show it: what
// the host knows of it, with what the program works out beside that
// (distance, bearing, closing speed, state). Unknown numbers are NaN.
struct StationRow
{
    QString callsign;
    bool own = false;
    char symbolTable = '/';
    char symbolCode = '/';
    QString symbolDescription;
    double latitude = 0.0;  // signed minutes of arc
    double longitude = 0.0; // signed minutes of arc
    double distance = std::nan(""); // in the host's unit; unknown without an own position
    double bearing = std::nan("");  // degrees from the own station
    double course = std::nan("");   // degrees true
    double speedKmh = std::nan("");
    double altitudeM = std::nan("");
    double closingKmh = std::nan(""); // negative while the distance grows
    double cpaKm = std::nan("");       // apart at the closest approach, both keeping on
    double tcpaMinutes = std::nan(""); // until then; not above 0 once past
    QDateTime lastHeard;              // UTC
    qint64 packets = 0;
    QString source;
    QStringList path;
    bool heardDirect = false; // heard with no digipeater recently
    QString comment;
    QString status;
    StationState state = StationState::None;
    QDateTime acknowledgedUntil; // UTC; null for a lasting acknowledgement
};

} // namespace nearbell
