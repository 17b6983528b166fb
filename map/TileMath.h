#pragma once

#include <QHashFunctions>
#include <QList>
#include <QPointF>
#include <QRectF>

namespace nearbell {

// One map tile: zoom level, column and row in the XYZ scheme (row 0 at the
// top, the north).
struct TileKey
{
    int z = 0;
    int x = 0;
    int y = 0;
    friend bool operator==(const TileKey &a, const TileKey &b) = default;
};

inline size_t qHash(const TileKey &key, size_t seed = 0)
{
    return qHashMulti(seed, key.z, key.x, key.y);
}

// The arithmetic of square map tiles in the spherical Mercator projection:
// pure functions, no state.
//
// "World" coordinates run from 0 to 1 across the whole map: x from 180 W
// eastwards, y from the northern edge (85.05 N) southwards. A tile at zoom
// z covers 1 / 2^z of them in each direction.
class TileMath
{
public:
    static constexpr int kTileSize = 256; // pixels of one tile
    static constexpr int kMaxZoom = 19;
    // The map's northern and southern edge in degrees.
    static constexpr double kMaxLatitude = 85.0511287798066;

    // Degrees to world coordinates; latitudes beyond the edges are held at
    // them, longitudes of any size are taken round the earth into [0, 1).
    static QPointF world(double latDegrees, double lonDegrees);
    // World coordinates back to degrees (latitude, longitude).
    static QPointF degrees(const QPointF &world);

    // A column taken round the earth into 0..2^z-1.
    static int wrapColumn(int x, int z);
    // The row as a file with bottom-up rows (TMS, MBTiles) counts it.
    static int tmsRow(int y, int z) { return (1 << z) - 1 - y; }

    // The tile level whose tiles, drawn at pixelsPerWorld logical pixels
    // for the whole world on a screen of this scale, come out between 0.7
    // and 1.4 device pixels per tile pixel; held within minZoom..maxZoom.
    static int tileZoom(double pixelsPerWorld, double deviceRatio, int minZoom = 0, int maxZoom = kMaxZoom);

    // The tiles of level z over a world rectangle, with `ring` more tiles
    // on every side. Columns are not wrapped (a rectangle across the
    // antimeridian yields columns below 0 or beyond 2^z-1: wrapColumn gives
    // the tile to load); rows outside the map are left out. Empty when
    // more than `limit` tiles would be needed.
    static QList<TileKey> tilesCovering(const QRectF &world, int z, int ring, int limit = 1024);

    // The point at this distance along the great circle leaving the start
    // at the bearing (degrees, km on the sphere of the station distances):
    // latitude and longitude in degrees, the longitude in [-180, 180).
    static QPointF destination(double latDegrees, double lonDegrees, double bearingDegrees, double km);
};

} // namespace nearbell
