#pragma once

#include "map/MapProjection.h"
#include "map/TileMath.h"
#include "monitor/CycleSnapshot.h"
#include "ui/RadarGeometry.h"

#include <QFontMetricsF>
#include <QHash>
#include <QLocale>
#include <QList>
#include <QLineF>
#include <QPolygonF>
#include <QString>

#include <cmath>
#include <vector>

namespace nearbell {

// How a station looks beyond its place: its symbol, its motion and where
// it was before.
struct RadarLook
{
    char symbolTable = '/';
    char symbolCode = '/';
    double course = std::nan("");   // degrees true; NaN unknown
    double speedKmh = std::nan(""); // NaN unknown
    std::vector<QPointF> track;     // (latitude, longitude) in minutes, oldest first
};

// A station beyond the range that no scan listed: drawn faintly.
struct RadarOther
{
    double latitude = 0.0;  // signed minutes of arc
    double longitude = 0.0; // signed minutes of arc
    char symbolTable = '/';
    char symbolCode = '/';
};

// An object of the overlay files.
struct RadarObject
{
    QString name;
    double latitude = 0.0;  // signed minutes of arc
    double longitude = 0.0; // signed minutes of arc
};

// The user's view of the radar: the map or not, zoomed and moved.
struct RadarViewing
{
    static constexpr double kLeastZoom = 1.0 / 16.0;
    static constexpr double kMostZoom = 256.0;
    // Beyond this range (km), or where the ring leaves the map near a
    // pole, the map is not drawn.
    static constexpr double kLargestMapKm = 500.0;

    bool map = false;
    double zoom = 1.0;    // 1: the range ring fits the window
    QPointF pan;          // pixels the picture is moved by
    double deviceRatio = 1.0;
    int minTileZoom = 0;
    int maxTileZoom = TileMath::kMaxZoom;
};

// What the radar is drawn from: the stations of the last cycle and where
// the own station is.
struct RadarInput
{
    QList<SeenStation> stations;
    bool hasOwnPosition = false;
    double ownLatitude = 0.0;  // signed minutes of arc
    double ownLongitude = 0.0; // signed minutes of arc
    double range = 0.0;        // the alarm range, in the host's unit
    QString unit;              // "km" or "mi"
    double upDegrees = 0.0;    // 0: north up; the course when course up
    // Why there is no own position, in the status line's words.
    QString noPosition;
    // Beside stations: their looks by index (fewer: the rest look plain),
    // the stations beyond the range, the overlay objects.
    QList<RadarLook> looks;
    QList<RadarOther> others;
    QList<RadarObject> objects;
};

// One station as the radar shows it.
struct RadarMark
{
    qsizetype station = 0; // index into RadarInput::stations
    SeenStation::Kind kind = SeenStation::Kind::Listed;
    QPointF point;
    bool beyond = false;   // at or beyond the range, on the ring's edge
    QString label;         // when shown: callsign, and the distance when beyond
    QRectF labelRect;
    bool labelShown = false;
    QPolygonF track;      // on the screen, oldest first
    QLineF arrow;         // five minutes of travel; null without motion
};

// A point drawn without a mark of its own: a faint station or an object.
struct RadarPoint
{
    qsizetype index = 0; // into RadarInput::others or ::objects
    QPointF point;
    QRectF labelRect;    // objects: where the name goes; empty when none
};

// The radar's picture for one drawing area, without drawing it.
//
// Responsibilities:
//  - place every station (RadarGeometry) in a given area and order them
//    nearest first;
//  - give labels to the nearest stations where they do not overlap each
//    other or the ring labels; the rest show theirs on hover;
//  - find the station under the pointer;
//  - the texts: ring labels, the hover text, the details, and the entry
//    read out by assistive technology ("DL1ABC, 3.2 km, north-east, in
//    range"); callsigns with control characters are shown with them
//    replaced, and never as markup.
class RadarScene
{
public:
    static constexpr double markRadius = 4.0; // pixels
    static constexpr double ringMargin = 18.0;

    void build(const RadarInput &input, const QSizeF &area, const QFontMetricsF &metrics,
               const RadarViewing &viewing = {});

    const RadarViewing &viewing() const { return m_viewing; }
    // With the map: where it goes, which tiles and the rings as drawn.
    bool mapShown() const { return m_mapShown; }
    // Why the map is not drawn though asked for; empty otherwise.
    const QString &mapOff() const { return m_mapOff; }
    const MapProjection &projection() const { return m_projection; }
    int tileZoom() const { return m_tileZoom; }
    // The tiles of the view, the middle first, and one ring around it.
    const QList<TileKey> &tiles() const { return m_tiles; }
    // The ring at the range and the one at half of it (map only).
    const QList<QPolygonF> &rings() const { return m_rings; }
    const QList<RadarPoint> &others() const { return m_others; }
    const QList<RadarPoint> &objects() const { return m_objects; }
    // Where a position (minutes of arc) is drawn, beyond the range too.
    QPointF place(double latitude, double longitude) const;
    // The range in km.
    double rangeKm() const;

    const RadarInput &input() const { return m_input; }
    const RadarGeometry::Frame &frame() const { return m_frame; }
    const QList<RadarMark> &marks() const { return m_marks; }
    const SeenStation &station(const RadarMark &mark) const { return m_input.stations.at(mark.station); }
    // The ring labels' places, the outer ring's first; empty where there
    // is no room for one.
    const QList<QRectF> &ringLabelRects() const { return m_ringLabels; }

    // The mark of this callsign, or -1.
    int markOf(const QString &callsign) const;
    // The mark nearest to pos within radius pixels, or -1.
    int markAt(const QPointF &pos, double radius = markRadius + 2.0) const;

    QString ringLabel(double fraction) const;
    // The callsign, and the distance when the station lies beyond the range.
    QString labelText(const RadarMark &mark) const;
    // Degrees from true north to the station of a mark.
    double bearingOf(const RadarMark &mark) const;
    QString accessibleText(int mark) const;
    QString hoverText(int mark) const;
    QString detailsText(int mark) const;

    // "3.2 km", "523 km": one decimal below 100, none above, no ".0".
    static QString distanceText(double distance, const QString &unit);
    static QString distanceText(double distance, const QString &unit, const QLocale &locale);
    // The text with every control character replaced: shown as it is.
    static QString plainText(const QString &text);

private:
    void placeMap(const QSizeF &area);
    void placeMotion(RadarMark &mark) const;
    qreal labelWidth(const QString &label, const QFontMetricsF &metrics);

    RadarInput m_input;
    RadarGeometry::Frame m_frame;
    QList<RadarMark> m_marks;
    QList<QRectF> m_ringLabels;
    RadarViewing m_viewing;
    bool m_mapShown = false;
    QString m_mapOff;
    MapProjection m_projection;
    int m_tileZoom = 0;
    QList<TileKey> m_tiles;
    QList<QPolygonF> m_rings;
    QList<RadarPoint> m_others;
    QList<RadarPoint> m_objects;
    RadarGeometry::Plane m_plane;
    QLocale m_locale;
    double m_upCos = 1.0;
    double m_upSin = 0.0;
    // Label widths by text, kept from cycle to cycle for the same font.
    QHash<QString, qreal> m_widths;
    QString m_widthsFont;
};

} // namespace nearbell
