#pragma once

#include <cmath>

namespace nearbell {

// How a station moves: course in degrees true (1..360, 360 north; 0 is
// taken as north too) and speed in km/h. A NaN speed, or a NaN course with
// a speed above zero, is motion not known.
struct Motion
{
    double courseDeg = std::nan("");
    double speedKmh = std::nan("");

    static Motion standing() { return Motion{0.0, 0.0}; }
    bool known() const;
};

// Where two stations come closest if both keep course and speed.
struct Approach
{
    double distanceKm = std::nan("");  // apart now
    double closingKmh = std::nan("");  // how fast that shrinks now; negative while it grows
    double cpaKm = std::nan("");       // apart at the closest approach
    double tcpaMinutes = std::nan(""); // until then; not above 0 when already past
};

// Closest point of approach of a station seen from the own station, both
// positions in signed minutes of arc. The two are taken on the plane that
// touches the earth at the own position (east and north in km), which holds
// to well under a per cent across alarm ranges of a few hundred km; the
// longitude difference is taken the short way round, so the antimeridian
// does not matter. Unknown motion on either side gives an unknown closing
// speed and no approach; two stations moving alike never come closer.
Approach closestApproach(double ownLatitude, double ownLongitude, const Motion &own, double latitude,
                         double longitude, const Motion &station);

// Where a station is `minutes` after a report at latitude/longitude
// (minutes of arc) with that motion, along the great circle of its course.
// Unknown motion leaves it where it was.
void deadReckon(double &latitude, double &longitude, const Motion &motion, double minutes);

} // namespace nearbell
