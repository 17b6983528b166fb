#include "map/MapProjection.h"

#include "map/TileMath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nearbell {

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
    const float lat = float(std::clamp(latDegrees, -TileMath::kMaxLatitude, TileMath::kMaxLatitude)
                            * std::numbers::pi / 180.0);
    const float mercator = std::log(std::tan(float(std::numbers::pi / 4.0) + lat / 2.0f));
    double x = (lonDegrees + 180.0) / 360.0;
    x -= std::floor(x);
    return toScreen(QPointF(x, 0.5 - double(mercator) / (2.0 * std::numbers::pi)));
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
