#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

namespace nearbell {

// Where things go on the radar: pure arithmetic, no drawing.
//
// Responsibilities:
//  - the initial great-circle bearing from the own position to a station,
//    with a fixed answer (north) where every direction is one (the same
//    point, the antipode);
//  - the eight compass points' names;
//  - the frame of a drawing area: centre, outer ring radius (the alarm
//    range), the direction that is up;
//  - a station's point from bearing and distance, on the outer ring's edge
//    when it lies at or beyond the range (a range of 0 puts everything but
//    the own spot there);
//  - the rings' radii and the anchors of their labels;
//  - which labels can be shown without overlapping, earlier ones first.
class RadarGeometry
{
public:
    // Positions in signed minutes of arc (north and east positive);
    // degrees clockwise from true north, in [0, 360).
    static double bearing(double lat1, double lon1, double lat2, double lon2);
    // The own position's flat view of the earth (azimuthal equidistant):
    // the bearing and great-circle distance to every other position as
    // bearing() and the haversine give them, with the own position's sines
    // and cosines worked out once for thousands of stations.
    class Plane
    {
    public:
        Plane() = default;
        Plane(double latitude, double longitude); // signed minutes of arc

        struct Offset
        {
            double east = 0.0;  // the bearing's direction: east part,
            double north = 1.0; // north part (north where there is none)
            double km = 0.0;    // the great-circle distance
            double degrees() const;
        };
        Offset offset(double latitude, double longitude) const;
        // The same without the distance (km stays 0): cheaper.
        Offset direction(double latitude, double longitude) const;

    private:
        double m_lon = 0.0;
        double m_sin = 0.0;
        double m_cos = 1.0;
    };

    // "north", "north-east", ..., "north-west" for a bearing in degrees.
    static QString compassPoint(double degrees);

    struct Frame
    {
        QPointF centre;
        double outerRadius = 0.0; // pixels; the alarm range
        double range = 0.0;       // in the host's unit
        double upDegrees = 0.0;   // the bearing drawn straight up
    };
    // margin: room kept around the outer ring for labels; a small area
    // gives up some of it so that a ring is still drawn.
    static Frame frame(const QSizeF &area, double range, double upDegrees, double margin);

    struct Spot
    {
        QPointF point;
        bool beyond = false; // at or beyond the range: drawn on the ring's edge
    };
    static Spot spot(const Frame &frame, double bearingDegrees, double distance);

    // Radius of the ring at this part of the range (1: the range itself).
    static double ringRadius(const Frame &frame, double fraction) { return frame.outerRadius * fraction; }
    // Top-left corner of a ring's label: just inside the ring, right of
    // its topmost point.
    static QPointF ringLabelAnchor(const Frame &frame, double fraction, double gap);

    // The room left for labels: a label goes in when it lies inside the
    // bounds and overlaps none placed before it. Placed labels are kept in
    // the cells of a grid over the bounds (cells about one label high), so
    // a label is compared only with its neighbours and thousands of
    // stations stay cheap.
    class LabelSpace
    {
    public:
        LabelSpace(const QRectF &bounds, double labelHeight);
        bool isFree(const QRectF &label) const;
        // Places the label when it is free; true when it did.
        bool place(const QRectF &label);

    private:
        struct Cells
        {
            int left, top, right, bottom;
        };
        Cells cellsOf(const QRectF &label) const;

        // Parts of the bounds wholly under a placed label, in quarter
        // cells: a label whose centre lies there is refused at once.
        bool centreCovered(const QRectF &label) const;
        void cover(const QRectF &label);

        QRectF m_bounds;
        std::vector<bool> m_covered;
        int m_coverColumns = 0;
        int m_coverRows = 0;
        double m_cellWidth;
        double m_cellHeight;
        int m_columns = 0;
        int m_rows = 0;
        std::vector<std::vector<QRectF>> m_cells;
    };

    // Which of the labels, given in order of priority, are shown.
    static QList<bool> placeLabels(const QList<QRectF> &labels, const QRectF &bounds);
};

} // namespace nearbell
