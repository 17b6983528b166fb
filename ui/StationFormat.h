#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "host/GreatCircle.h"
#include "ui/StationRow.h"

namespace nearbell {

// How the Stations window, the details window and the radar write a
// station's values. Every function gives the empty text for a value that is
// unknown (NaN, null) or cannot be a real one, never a made-up number.
class StationFormat
{
public:
    // Unit names as the column headers carry them.
    static QString distanceUnit(DistanceUnit unit); // "km", "mi"
    static QString speedUnit(DistanceUnit unit);    // "km/h", "mph"
    static QString altitudeUnit(DistanceUnit unit); // "m", "ft"

    // One decimal: "3.2".
    static QString distanceText(double distance);
    // Whole degrees and the compass point: "45° NE".
    static QString bearingText(double degrees);
    // "N", "NE", ... "NW".
    static QString compassPoint(double degrees);
    // Whole degrees 1 to 360: north is "360".
    static QString courseText(double degrees);
    // Whole numbers in the unit's speed or height.
    static QString speedText(double kmh, DistanceUnit unit);
    static QString altitudeText(double metres, DistanceUnit unit);
    // How fast the distance shrinks, whole, negative while it grows.
    static QString closingText(double kmh, DistanceUnit unit);
    // "54 km/h heading 270°", or the part that is known.
    static QString motionText(double course, double speedKmh, DistanceUnit unit);

    // Local time "HH:MM:SS".
    static QString timeText(const QDateTime &utc);
    // "12 s", "3 min 20 s", "2 h 5 min", "3 d 4 h".
    static QString ageText(qint64 ms);
    // The digipeaters, or "direct" when none carried it; empty when the
    // path is not known (a source that tells none, a station not heard
    // direct).
    static QString viaText(const QStringList &path, bool heardDirect);
    // The comment, or the status when there is no comment.
    static QString commentText(const QString &comment, const QString &status);
    // "in range", "acknowledged" (or "acknowledged until 14:05"),
    // "watched" or empty.
    static QString stateText(const StationRow &row);
    // The closing speed, with "closest 1.2 km in 6 minutes" after it while
    // the closest approach lies ahead.
    static QString closingWithApproach(const StationRow &row, DistanceUnit unit);
    // "closest 1.2 km in 6 minutes" while the closest approach lies ahead;
    // empty otherwise.
    static QString approachText(const StationRow &row, DistanceUnit unit);

    // Positions in signed minutes of arc.
    // "52° 12.340' N, 5° 12.340' E"
    static QString degreesMinutes(double latitude, double longitude);
    // "52.20567, 5.20567"
    static QString decimalDegrees(double latitude, double longitude);
    // The 6-character Maidenhead locator: "JO22nc".
    static QString locator(double latitude, double longitude);
};

} // namespace nearbell
