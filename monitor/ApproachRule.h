#pragma once

#include "host/HostStation.h"
#include "monitor/ClosestApproach.h"

#include <optional>

namespace nearbell {

// When a station outside the alarm range counts as approaching.
//
// Responsibilities:
//  - take a station's last motion report only when it can be trusted: a
//    course, a speed from kMinSpeedKmh to kMaxSpeedKmh (faster is noise;
//    aircraft are not), at most kMaxAgeMs old, and no course jump of more
//    than kMaxCourseJumpDeg within kCourseJumpWindowMs of the report before
//    (GPS courses at walking pace wander); a station slower than
//    kMinSpeedKmh, or with no motion told, is parked: standing still;
//  - the own motion: the position source's course and speed from
//    kMinSpeedKmh on, else standing still;
//  - move the station on from its report to now and find the closest
//    approach; it warns when that lies inside the range and comes within
//    the warning time (0 < TCPA <= minutes).
class ApproachRule
{
public:
    static constexpr double kMinSpeedKmh = 5.0;
    static constexpr double kMaxSpeedKmh = 1000.0;
    static constexpr qint64 kMaxAgeMs = 10 * 60 * 1000;
    static constexpr double kMaxCourseJumpDeg = 90.0;
    static constexpr qint64 kCourseJumpWindowMs = 30 * 1000;

    // The motion of the station's last report, when it may be predicted from.
    static std::optional<Motion> trustedMotion(const HostStation::Details &details);
    static Motion ownMotion(std::optional<double> courseDeg, std::optional<double> speedKmh);

    // The closest approach of a station last reported at latitude/longitude
    // (minutes of arc), moved on to now; none when it is not predicted.
    static std::optional<Approach> predict(double ownLatitude, double ownLongitude, const Motion &own,
                                           double latitude, double longitude,
                                           const HostStation::Details &details);
    // Inside rangeKm within warnMinutes from now.
    static bool warns(const Approach &approach, double rangeKm, int warnMinutes);
};

} // namespace nearbell
