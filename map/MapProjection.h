#pragma once

#include <QPointF>
#include <QPolygonF>
#include <QRectF>

namespace nearbell {

// Where a place on the map lands on the screen: a view of the Mercator
// world (TileMath) with a centre, a scale and the bearing drawn straight
// up. Pure arithmetic.
//
// Points are taken round the earth to the copy nearest the centre, so a
// station across the antimeridian lies beside the own position.
class MapProjection
{
public:
    MapProjection() = default;
    // centreWorld lands on screenCentre; pixelsPerWorld logical pixels
    // span the whole world at the centre's row.
    MapProjection(const QPointF &centreWorld, double pixelsPerWorld, double upDegrees, const QPointF &screenCentre);

    bool operator==(const MapProjection &) const = default;

    QPointF centreWorld() const { return m_centre; }
    double pixelsPerWorld() const { return m_scale; }
    double upDegrees() const { return m_up; }

    QPointF toScreen(const QPointF &world) const;
    QPointF toScreen(double latDegrees, double lonDegrees) const;
    // The same read from a table, within a tenth of a pixel at any level
    // of tiles, for thousands of stations.
    QPointF toScreenQuick(double latDegrees, double lonDegrees) const;
    // Not taken round the earth: x may lie outside [0, 1).
    QPointF toWorld(const QPointF &screen) const;
    // The world rectangle holding everything of this screen rectangle.
    QRectF worldBounds(const QRectF &screen) const;

    // The circle of this great-circle radius around a place, as a polygon
    // on the screen.
    QPolygonF circle(double latDegrees, double lonDegrees, double km, int points = 96) const;
    // The scale at which that circle reaches no farther than radiusPixels
    // from the place; 0 when there is none.
    static double fitScale(double latDegrees, double lonDegrees, double km, double radiusPixels);

private:
    QPointF m_centre;
    double m_scale = 1.0;
    double m_up = 0.0;
    QPointF m_screenCentre;
    double m_cos = 1.0;
    double m_sin = 0.0;
};

} // namespace nearbell
