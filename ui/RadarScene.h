#pragma once

#include "monitor/CycleSnapshot.h"
#include "ui/RadarGeometry.h"

#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QString>

namespace nearbell {

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
};

// One station as the radar shows it.
struct RadarMark
{
    qsizetype station = 0; // index into RadarInput::stations
    QPointF point;
    bool beyond = false;   // at or beyond the range, on the ring's edge
    double bearing = 0.0;  // degrees from true north
    QString label;         // when shown: callsign, and the distance when beyond
    QRectF labelRect;
    bool labelShown = false;
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

    void build(const RadarInput &input, const QSizeF &area, const QFontMetricsF &metrics);

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
    QString accessibleText(int mark) const;
    QString hoverText(int mark) const;
    QString detailsText(int mark) const;

    // "3.2 km", "523 km": one decimal below 100, none above, no ".0".
    static QString distanceText(double distance, const QString &unit);
    // The text with every control character replaced: shown as it is.
    static QString plainText(const QString &text);

private:
    qreal labelWidth(const QString &label, const QFontMetricsF &metrics);

    RadarInput m_input;
    RadarGeometry::Frame m_frame;
    QList<RadarMark> m_marks;
    QList<QRectF> m_ringLabels;
    // Label widths by text, kept from cycle to cycle for the same font.
    QHash<QString, qreal> m_widths;
    QString m_widthsFont;
};

} // namespace nearbell
