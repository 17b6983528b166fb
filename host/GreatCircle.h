#pragma once

namespace nearbell {

// Distance unit the host reports station distances in (HOST/UNITS).
enum class DistanceUnit { Kilometres, Miles };

// Great-circle distances between two positions given in signed minutes of
// arc (north and east positive), by the haversine formula on a sphere of
// the mean earth radius. Haversine rather than the arc-cosine form keeps
// short distances (a few metres) accurate in double precision.
namespace greatcircle {

constexpr double kEarthRadiusKm = 6371.0088;
constexpr double kKmPerMile = 1.609344;

double kilometres(double lat1, double lon1, double lat2, double lon2);
double distance(double lat1, double lon1, double lat2, double lon2, DistanceUnit unit);
// Initial bearing from the first position to the second, degrees clockwise
// from true north in [0, 360); 0 at the same point and at the antipode.
// The one bearing of the program: the table, the history and the radar.
double bearing(double lat1, double lon1, double lat2, double lon2);

} // namespace greatcircle
} // namespace nearbell
