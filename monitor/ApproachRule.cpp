#include "monitor/ApproachRule.h"

#include <cmath>

namespace nearbell {

std::optional<Motion> ApproachRule::trustedMotion(const HostStation::Details &details)
{
    const double course = details.course;
    const double speed = details.speedKmh;
    // Slower than walking pace, or never told: parked, which still counts
    // while the own station drives toward it.
    if (!(speed >= kMinSpeedKmh))
        return Motion::standing();
    if (speed > kMaxSpeedKmh || !std::isfinite(course) || course < 0.0 || course > 360.0)
        return std::nullopt;
    if (details.motionAgeMs < 0 || details.motionAgeMs > kMaxAgeMs)
        return std::nullopt;
    if (std::isfinite(details.priorCourse) && details.courseGapMs >= 0
        && details.courseGapMs < kCourseJumpWindowMs
        && std::fabs(std::remainder(course - details.priorCourse, 360.0)) > kMaxCourseJumpDeg)
        return std::nullopt;
    return Motion{course, speed};
}

Motion ApproachRule::ownMotion(std::optional<double> courseDeg, std::optional<double> speedKmh)
{
    if (courseDeg && speedKmh && std::isfinite(*courseDeg) && *speedKmh >= kMinSpeedKmh
        && *speedKmh <= kMaxSpeedKmh)
        return Motion{*courseDeg, *speedKmh};
    return Motion::standing();
}

std::optional<Approach> ApproachRule::predict(double ownLatitude, double ownLongitude, const Motion &own,
                                              double latitude, double longitude,
                                              const HostStation::Details &details)
{
    const std::optional<Motion> motion = trustedMotion(details);
    if (!motion)
        return std::nullopt;
    deadReckon(latitude, longitude, *motion, double(details.motionAgeMs) / 60000.0);
    const Approach approach = closestApproach(ownLatitude, ownLongitude, own, latitude, longitude, *motion);
    if (!std::isfinite(approach.cpaKm))
        return std::nullopt;
    return approach;
}

bool ApproachRule::warns(const Approach &approach, double rangeKm, int warnMinutes)
{
    return approach.tcpaMinutes > 0.0 && approach.tcpaMinutes <= warnMinutes && rangeKm > approach.cpaKm;
}

} // namespace nearbell
