#include "map/MapProjection.h"

#include "map/TileMath.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace nearbell {

namespace {

// Mercator's northing, ln tan(45° + lat / 2), at every sixteenth of a degree
// with its slope, read between by cubic interpolation: within a tenth of
// a pixel at the closest tile level even at the map's edge, and at a few
// multiplications where the exact formula takes a tangent and a logarithm.
class MercatorTable
{
public:
    static constexpr int kPerDegree = 16;
    static constexpr int kLimit = 86; // degrees either side; the map ends before

    MercatorTable()
    {
        for (int i = 0; i <= kSteps; ++i) {
            const double lat = (double(i) / kPerDegree - kLimit) * std::numbers::pi / 180.0;
            m_northing[size_t(i)] = std::log(std::tan(std::numbers::pi / 4.0 + lat / 2.0));
            // Per step of the table: sec(lat) radians per radian.
            m_slope[size_t(i)] = std::numbers::pi / 180.0 / kPerDegree / std::cos(lat);
        }
    }

    // latDegrees within the map's edges.
    double at(double latDegrees) const
    {
        const double steps = (latDegrees + kLimit) * kPerDegree;
        const int i = std::clamp(int(steps), 0, kSteps - 1);
        const double t = steps - i, t2 = t * t, t3 = t2 * t;
        const size_t k = size_t(i);
        return (2 * t3 - 3 * t2 + 1) * m_northing[k] + (t3 - 2 * t2 + t) * m_slope[k]
               + (3 * t2 - 2 * t3) * m_northing[k + 1] + (t3 - t2) * m_slope[k + 1];
    }

private:
    static constexpr int kSteps = 2 * kLimit * kPerDegree;
    std::array<double, kSteps + 1> m_northing{};
    std::array<double, kSteps + 1> m_slope{};
};

const MercatorTable &mercatorTable()
{
    static const MercatorTable table;
    return table;
}

} // namespace

MapProjection::MapProjection(const QPointF &centreWorld, double pixelsPerWorld, double upDegrees,
                             const QPointF &screenCentre)
    : m_centre(centreWorld), m_scale(pixelsPerWorld), m_up(upDegrees), m_screenCentre(screenCentre)
{
    // Turning the picture by -up puts that bearing at the top.
    const double a = -upDegrees * std::numbers::pi / 180.0;
    m_cos = std::cos(a);
    m_sin = std::sin(a);
}

QPointF MapProjection::toScreen(const QPointF &world) const
{
    double dx = world.x() - m_centre.x();
    dx -= std::round(dx); // the nearest copy of the world
    const double dy = world.y() - m_centre.y();
    return QPointF(m_screenCentre.x() + m_scale * (dx * m_cos - dy * m_sin),
                   m_screenCentre.y() + m_scale * (dx * m_sin + dy * m_cos));
}

QPointF MapProjection::toScreen(double latDegrees, double lonDegrees) const
{
    return toScreen(TileMath::world(latDegrees, lonDegrees));
}

QPointF MapProjection::toScreenQuick(double latDegrees, double lonDegrees) const
{
    const double lat = std::clamp(latDegrees, -TileMath::kMaxLatitude, TileMath::kMaxLatitude);
    double x = (lonDegrees + 180.0) / 360.0;
    if (x < 0.0 || x >= 1.0)
        x -= std::floor(x);
    double dx = x - m_centre.x();
    // Both lie in [0, 1): the nearest copy is at most one world away.
    if (dx > 0.5)
        dx -= 1.0;
    else if (dx < -0.5)
        dx += 1.0;
    const double dy = 0.5 - mercatorTable().at(lat) / (2.0 * std::numbers::pi) - m_centre.y();
    return QPointF(m_screenCentre.x() + m_scale * (dx * m_cos - dy * m_sin),
                   m_screenCentre.y() + m_scale * (dx * m_sin + dy * m_cos));
}

QPointF MapProjection::toWorld(const QPointF &screen) const
{
    const double sx = (screen.x() - m_screenCentre.x()) / m_scale;
    const double sy = (screen.y() - m_screenCentre.y()) / m_scale;
    return QPointF(m_centre.x() + sx * m_cos + sy * m_sin, m_centre.y() - sx * m_sin + sy * m_cos);
}

QRectF MapProjection::worldBounds(const QRectF &screen) const
{
    const QPointF corners[] = {toWorld(screen.topLeft()), toWorld(screen.topRight()), toWorld(screen.bottomLeft()),
                               toWorld(screen.bottomRight())};
    double left = corners[0].x(), right = left, top = corners[0].y(), bottom = top;
    for (const QPointF &c : corners) {
        left = std::min(left, c.x());
        right = std::max(right, c.x());
        top = std::min(top, c.y());
        bottom = std::max(bottom, c.y());
    }
    return QRectF(QPointF(left, top), QPointF(right, bottom));
}

QPolygonF MapProjection::circle(double latDegrees, double lonDegrees, double km, int points) const
{
    QPolygonF polygon;
    polygon.reserve(points + 1);
    for (int i = 0; i <= points; ++i) {
        const QPointF p = TileMath::destination(latDegrees, lonDegrees, 360.0 * i / points, km);
        polygon.append(toScreen(p.x(), p.y()));
    }
    return polygon;
}

double MapProjection::fitScale(double latDegrees, double lonDegrees, double km, double radiusPixels)
{
    if (!(km > 0.0) || !(radiusPixels > 0.0))
        return 0.0;
    const QPointF centre = TileMath::world(latDegrees, lonDegrees);
    double reach = 0.0;
    for (int i = 0; i < 72; ++i) {
        const QPointF p = TileMath::destination(latDegrees, lonDegrees, 5.0 * i, km);
        const QPointF w = TileMath::world(p.x(), p.y());
        double dx = w.x() - centre.x();
        dx -= std::round(dx);
        reach = std::max(reach, std::hypot(dx, w.y() - centre.y()));
    }
    return reach > 0.0 ? radiusPixels / reach : 0.0;
}

} // namespace nearbell
