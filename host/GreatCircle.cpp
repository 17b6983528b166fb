#include "host/GreatCircle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nearbell::greatcircle {

namespace {
constexpr double kRadiansPerMinute = std::numbers::pi / (180.0 * 60.0);
}

double kilometres(double lat1, double lon1, double lat2, double lon2)
{
    const double phi1 = lat1 * kRadiansPerMinute;
    const double phi2 = lat2 * kRadiansPerMinute;
    const double dPhi = phi2 - phi1;
    const double dLambda = (lon2 - lon1) * kRadiansPerMinute;
    const double s1 = std::sin(dPhi / 2.0);
    const double s2 = std::sin(dLambda / 2.0);
    double h = s1 * s1 + std::cos(phi1) * std::cos(phi2) * s2 * s2;
    // Rounding can push h a hair past 1 for antipodal points.
    h = std::clamp(h, 0.0, 1.0);
    return 2.0 * kEarthRadiusKm * std::asin(std::sqrt(h));
}

double distance(double lat1, double lon1, double lat2, double lon2, DistanceUnit unit)
{
    const double km = kilometres(lat1, lon1, lat2, lon2);
    return unit == DistanceUnit::Miles ? km / kKmPerMile : km;
}

double bearing(double lat1, double lon1, double lat2, double lon2)
{
    // Closer than this to the same point or the antipode (radians of arc,
    // some centimetres) the bearing is set, not computed: rounding decides
    // it there.
    constexpr double kDegenerateArc = 1e-8;
    const double phi1 = lat1 * kRadiansPerMinute;
    const double phi2 = lat2 * kRadiansPerMinute;
    const double dLambda = (lon2 - lon1) * kRadiansPerMinute;
    const double cosPhi2 = std::cos(phi2);
    const double y = std::sin(dLambda) * cosPhi2;
    const double x = std::cos(phi1) * std::sin(phi2) - std::sin(phi1) * cosPhi2 * std::cos(dLambda);
    // (x, y) is as long as the sine of the arc between the two: at the
    // same point and at the antipode every direction is as good as any.
    if (x * x + y * y < kDegenerateArc * kDegenerateArc)
        return 0.0;
    const double degrees = std::atan2(y, x) * 180.0 / std::numbers::pi;
    const double normalised = std::fmod(degrees + 360.0, 360.0);
    return normalised >= 360.0 ? 0.0 : normalised;
}

} // namespace nearbell::greatcircle
