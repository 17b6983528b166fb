#include "monitor/ClosestApproach.h"

#include <algorithm>

#include "host/GreatCircle.h"

namespace nearbell {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerDegree = kPi / 180.0;

struct Vector
{
    double east = 0.0;
    double north = 0.0;
};

Vector velocity(const Motion &motion)
{
    const double heading = motion.courseDeg * kRadiansPerDegree;
    return {motion.speedKmh * std::sin(heading), motion.speedKmh * std::cos(heading)};
}

} // namespace

bool Motion::known() const
{
    if (!std::isfinite(speedKmh) || speedKmh < 0.0)
        return false;
    return speedKmh == 0.0 || std::isfinite(courseDeg);
}

Approach closestApproach(double ownLatitude, double ownLongitude, const Motion &own, double latitude,
                         double longitude, const Motion &station)
{
    Approach approach;
    approach.distanceKm = greatcircle::kilometres(ownLatitude, ownLongitude, latitude, longitude);
    if (!own.known() || !station.known())
        return approach;

    const double kmPerMinute = greatcircle::kEarthRadiusKm * kRadiansPerDegree / 60.0;
    double dLongitude = std::remainder(longitude - ownLongitude, 360.0 * 60.0);
    const double midLatitude = (ownLatitude + latitude) / 2.0 / 60.0 * kRadiansPerDegree;
    // Scaled to the great-circle distance, so that "apart now" agrees with
    // every other distance the program shows.
    Vector apart{dLongitude * kmPerMinute * std::cos(midLatitude), (latitude - ownLatitude) * kmPerMinute};
    const double planar = std::hypot(apart.east, apart.north);
    if (planar > 0.0) {
        apart.east *= approach.distanceKm / planar;
        apart.north *= approach.distanceKm / planar;
    }

    const Vector ownVelocity = own.speedKmh > 0.0 ? velocity(own) : Vector{};
    const Vector stationVelocity = station.speedKmh > 0.0 ? velocity(station) : Vector{};
    const Vector relative{stationVelocity.east - ownVelocity.east, stationVelocity.north - ownVelocity.north};
    const double dot = apart.east * relative.east + apart.north * relative.north;
    const double speedSquared = relative.east * relative.east + relative.north * relative.north;

    approach.closingKmh = approach.distanceKm > 0.0 ? -dot / approach.distanceKm : 0.0;
    if (speedSquared <= 1e-12) {
        approach.cpaKm = approach.distanceKm; // moving alike: the distance stays
        return approach;
    }
    const double hours = -dot / speedSquared;
    approach.tcpaMinutes = hours * 60.0;
    const double atCpa = std::max(hours, 0.0);
    approach.cpaKm = std::hypot(apart.east + relative.east * atCpa, apart.north + relative.north * atCpa);
    return approach;
}

void deadReckon(double &latitude, double &longitude, const Motion &motion, double minutes)
{
    if (!motion.known() || motion.speedKmh == 0.0 || !(minutes > 0.0))
        return;
    const double angular = motion.speedKmh * minutes / 60.0 / greatcircle::kEarthRadiusKm;
    const double heading = motion.courseDeg * kRadiansPerDegree;
    const double phi1 = latitude / 60.0 * kRadiansPerDegree;
    const double lambda1 = longitude / 60.0 * kRadiansPerDegree;
    const double phi2 = std::asin(std::sin(phi1) * std::cos(angular)
                                  + std::cos(phi1) * std::sin(angular) * std::cos(heading));
    const double lambda2 = lambda1
                           + std::atan2(std::sin(heading) * std::sin(angular) * std::cos(phi1),
                                        std::cos(angular) - std::sin(phi1) * std::sin(phi2));
    latitude = phi2 / kRadiansPerDegree * 60.0;
    longitude = std::remainder(lambda2 / kRadiansPerDegree, 360.0) * 60.0;
}

} // namespace nearbell
