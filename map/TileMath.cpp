#include "map/TileMath.h"

#include "host/GreatCircle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nearbell {

namespace {
constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
}

QPointF TileMath::world(double latDegrees, double lonDegrees)
{
    const double lat = std::clamp(latDegrees, -kMaxLatitude, kMaxLatitude) * kRadiansPerDegree;
    double x = (lonDegrees + 180.0) / 360.0;
    x -= std::floor(x);
    const double y = 0.5 - std::log(std::tan(std::numbers::pi / 4.0 + lat / 2.0)) / (2.0 * std::numbers::pi);
    return QPointF(x, y);
}

QPointF TileMath::degrees(const QPointF &world)
{
    const double lon = world.x() * 360.0 - 180.0;
    const double lat = std::atan(std::sinh(std::numbers::pi * (1.0 - 2.0 * world.y()))) / kRadiansPerDegree;
    return QPointF(lat, lon);
}

int TileMath::wrapColumn(int x, int z)
{
    const int n = 1 << z;
    const int wrapped = x % n;
    return wrapped < 0 ? wrapped + n : wrapped;
}

int TileMath::tileZoom(double pixelsPerWorld, double deviceRatio, int minZoom, int maxZoom)
{
    const double devicePixels = pixelsPerWorld * std::max(1.0, deviceRatio);
    if (!std::isfinite(devicePixels) || devicePixels <= 0.0)
        return std::clamp(0, minZoom, maxZoom);
    // Rounding the fractional level leaves each tile within a factor of
    // the square root of two of its own size.
    const double level = std::round(std::log2(devicePixels / kTileSize));
    return int(std::clamp(level, double(minZoom), double(std::max(minZoom, maxZoom))));
}

QList<TileKey> TileMath::tilesCovering(const QRectF &world, int z, int ring, int limit)
{
    QList<TileKey> tiles;
    if (z < 0 || z > 30 || !world.isValid())
        return tiles;
    const double n = double(1 << z);
    // Edges are half open: a rectangle ending on a tile's edge leaves it out.
    const double firstColumn = std::floor(world.left() * n);
    const double firstRow = std::floor(world.top() * n);
    const double left = firstColumn - ring;
    const double right = std::max(firstColumn, std::ceil(world.right() * n) - 1.0) + ring;
    const double top = std::max(0.0, firstRow - ring);
    const double bottom = std::min(n - 1.0, std::max(firstRow, std::ceil(world.bottom() * n) - 1.0) + ring);
    if (!(right >= left && bottom >= top) || (right - left + 1.0) * (bottom - top + 1.0) > limit)
        return tiles;
    // The middle first: the tiles nearest the own position arrive first.
    const double cx = world.center().x() * n;
    const double cy = world.center().y() * n;
    for (int y = int(top); y <= int(bottom); ++y) {
        for (int x = int(left); x <= int(right); ++x)
            tiles.append({z, x, y});
    }
    std::stable_sort(tiles.begin(), tiles.end(), [cx, cy](const TileKey &a, const TileKey &b) {
        const double da = std::hypot(a.x + 0.5 - cx, a.y + 0.5 - cy);
        const double db = std::hypot(b.x + 0.5 - cx, b.y + 0.5 - cy);
        return da < db;
    });
    return tiles;
}

QPointF TileMath::destination(double latDegrees, double lonDegrees, double bearingDegrees, double km)
{
    const double phi1 = latDegrees * kRadiansPerDegree;
    const double lambda1 = lonDegrees * kRadiansPerDegree;
    const double theta = bearingDegrees * kRadiansPerDegree;
    const double delta = km / greatcircle::kEarthRadiusKm;
    const double sinPhi2 = std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(theta);
    const double phi2 = std::asin(std::clamp(sinPhi2, -1.0, 1.0));
    const double lambda2 = lambda1
                           + std::atan2(std::sin(theta) * std::sin(delta) * std::cos(phi1),
                                        std::cos(delta) - std::sin(phi1) * sinPhi2);
    double lon = std::fmod(lambda2 / kRadiansPerDegree + 180.0, 360.0);
    if (lon < 0)
        lon += 360.0;
    return QPointF(phi2 / kRadiansPerDegree, lon - 180.0);
}

} // namespace nearbell
