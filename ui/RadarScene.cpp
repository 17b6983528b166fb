#include "ui/RadarScene.h"

#include "ui/StationFormat.h"
#include "host/GreatCircle.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace nearbell {

namespace {

constexpr double kLabelGap = 2.0;
// A moving station's arrow is as long as this much travel.
constexpr double kArrowMinutes = 5.0;
// More marks than this make a crowd (as the view's small squares).
constexpr qsizetype kCrowd = 4000;

// Orders distance-and-index numbers by their distance (the upper half),
// keeping the given order among equals: with the indices given in order,
// as a full sort would. Thousands of stations take three counting passes
// of 11 bits each, far fewer steps than comparing them.
void sortByDistance(std::vector<quint64> &order)
{
    if (order.size() < 512) {
        std::sort(order.begin(), order.end());
        return;
    }
    std::vector<quint64> spare(order.size());
    for (int shift = 32; shift < 64; shift += 11) {
        std::array<quint32, 2048> start{};
        for (const quint64 value : order)
            ++start[(value >> shift) & 2047u];
        // All in one bucket (distances alike in these bits): nothing moves.
        if (start[(order.front() >> shift) & 2047u] == order.size())
            continue;
        quint32 sum = 0;
        for (quint32 &first : start)
            sum += std::exchange(first, sum);
        for (const quint64 value : order)
            spare[start[(value >> shift) & 2047u]++] = value;
        order.swap(spare);
    }
}

QString degreesText(double bearing)
{
    return QString::number(int(std::lround(bearing)) % 360) + QChar(0x00B0);
}

QString kindText(SeenStation::Kind kind)
{
    switch (kind) {
    case SeenStation::Kind::Acked:
        return QStringLiteral("acknowledged");
    case SeenStation::Kind::Watched:
        return QStringLiteral("watched");
    case SeenStation::Kind::Listed:
        break;
    }
    return QStringLiteral("in the alarm list");
}

QString angleText(double minutes, char positive, char negative)
{
    const QString degrees = QLocale().toString(std::abs(minutes) / 60.0, 'f', 4);
    return degrees + QChar(0x00B0) + u' ' + QLatin1Char(minutes < 0 ? negative : positive);
}

// "54 km/h heading 270°" in the unit the distances are in.
QString motionText(const SeenStation &seen, const QString &unit)
{
    return StationFormat::motionText(seen.course, seen.speedKmh,
                                     unit == QStringLiteral("mi") ? DistanceUnit::Miles : DistanceUnit::Kilometres);
}

} // namespace

QString RadarScene::distanceText(double distance, const QString &unit)
{
    return distanceText(distance, unit, QLocale());
}

QString RadarScene::distanceText(double distance, const QString &unit, const QLocale &locale)
{
    QString number;
    if (!std::isfinite(distance)) {
        number = locale.toString(distance);
    } else {
        const int decimals = std::abs(distance) < 100.0 ? 1 : 0;
        number = locale.toString(distance, 'f', decimals);
        const QString zero = locale.decimalPoint() + locale.zeroDigit();
        if (decimals > 0 && number.endsWith(zero))
            number.chop(zero.size());
    }
    return unit.isEmpty() ? number : number + u' ' + unit;
}

QString RadarScene::plainText(const QString &text)
{
    QString plain = text;
    for (QChar &c : plain) {
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            c = QChar(QChar::ReplacementCharacter);
            break;
        default:
            break;
        }
    }
    return plain;
}

qreal RadarScene::labelWidth(const QString &label, const QFontMetricsF &metrics)
{
    auto it = m_widths.constFind(label);
    if (it == m_widths.constEnd())
        it = m_widths.insert(label, metrics.horizontalAdvance(label));
    return *it;
}

double RadarScene::rangeKm() const
{
    return m_input.unit == QLatin1String("mi") ? m_input.range * greatcircle::kKmPerMile : m_input.range;
}

void RadarScene::placeMap(const QSizeF &area)
{
    const double km = rangeKm();
    const double lat = m_input.ownLatitude / 60.0;
    const double lon = m_input.ownLongitude / 60.0;
    if (!(km > 0.0) || !std::isfinite(km))
        return; // nothing to fit the map to: the plain radar
    if (km > RadarViewing::kLargestMapKm) {
        m_mapOff = QStringLiteral("Map off: it is drawn up to a range of 500 km");
        return;
    }
    // The ring must stay on the map, between its edges near the poles.
    const double north = TileMath::destination(lat, lon, 0.0, km).x();
    const double south = TileMath::destination(lat, lon, 180.0, km).x();
    if (std::abs(lat) >= TileMath::kMaxLatitude || north >= TileMath::kMaxLatitude
        || south <= -TileMath::kMaxLatitude || north < lat || south > lat) {
        m_mapOff = QStringLiteral("Map off: too near the pole for the map");
        return;
    }
    const double scale = MapProjection::fitScale(lat, lon, km, m_frame.outerRadius);
    if (!(scale > 0.0))
        return;
    m_projection = MapProjection(TileMath::world(lat, lon), scale, m_frame.upDegrees, m_frame.centre);
    m_tileZoom = TileMath::tileZoom(scale, m_viewing.deviceRatio, m_viewing.minTileZoom, m_viewing.maxTileZoom);
    m_tiles = TileMath::tilesCovering(m_projection.worldBounds(QRectF(QPointF(0, 0), area)), m_tileZoom, 1);
    m_rings = {m_projection.circle(lat, lon, km), m_projection.circle(lat, lon, km / 2.0)};
    m_mapShown = true;
}

QPointF RadarScene::place(double latitude, double longitude) const
{
    if (m_mapShown)
        return m_projection.toScreenQuick(latitude / 60.0, longitude / 60.0);
    const RadarGeometry::Plane::Offset o = m_plane.offset(latitude, longitude);
    const double range = rangeKm();
    const double radius = range > 0.0 ? m_frame.outerRadius * o.km / range : (o.km > 0.0 ? m_frame.outerRadius : 0.0);
    // The bearing turned by what is up, without working out its angle.
    return QPointF(m_frame.centre.x() + radius * (o.east * m_upCos - o.north * m_upSin),
                   m_frame.centre.y() - radius * (o.north * m_upCos + o.east * m_upSin));
}

void RadarScene::placeMotion(RadarMark &mark) const
{
    if (mark.station >= m_input.looks.size() || (mark.beyond && !m_mapShown))
        return; // on the ring's edge a track would point elsewhere
    const RadarLook &look = m_input.looks.at(mark.station);
    const SeenStation &seen = station(mark);
    if (!look.track.empty()) {
        mark.track.reserve(qsizetype(look.track.size()) + 1);
        for (const QPointF &p : look.track)
            mark.track.append(place(p.x(), p.y()));
        if (mark.track.last() != mark.point)
            mark.track.append(mark.point);
    }
    if (std::isfinite(look.course) && std::isfinite(look.speedKmh) && look.speedKmh > 0.0) {
        const QPointF end = TileMath::destination(seen.latitude / 60.0, seen.longitude / 60.0, look.course,
                                                  look.speedKmh * kArrowMinutes / 60.0);
        mark.arrow = QLineF(mark.point, place(end.x() * 60.0, end.y() * 60.0));
    }
}

void RadarScene::build(const RadarInput &input, const QSizeF &area, const QFontMetricsF &metrics,
                       const RadarViewing &viewing)
{
    m_input = input;
    m_viewing = viewing;
    // One locale for the build: making one per label costs a lock each.
    m_locale = QLocale();
    m_viewing.zoom = std::isfinite(viewing.zoom)
                         ? std::clamp(viewing.zoom, RadarViewing::kLeastZoom, RadarViewing::kMostZoom)
                         : 1.0;
    m_marks.clear();
    m_ringLabels.clear();
    m_tiles.clear();
    m_rings.clear();
    m_others.clear();
    m_objects.clear();
    m_mapShown = false;
    m_mapOff.clear();
    m_frame = RadarGeometry::frame(area, input.range, input.upDegrees, ringMargin);
    m_frame.outerRadius *= m_viewing.zoom;
    m_frame.centre += m_viewing.pan;
    m_plane = RadarGeometry::Plane(input.ownLatitude, input.ownLongitude);
    m_upCos = std::cos(input.upDegrees * std::numbers::pi / 180.0);
    m_upSin = std::sin(input.upDegrees * std::numbers::pi / 180.0);
    // Without the own position nothing has a place: nothing is drawn.
    if (!input.hasOwnPosition)
        return;
    if (m_viewing.map)
        placeMap(area);

    const double height = metrics.height();
    // Widths measured in another font are of no use.
    const QString font = QString::number(height) + u'/' + QString::number(metrics.averageCharWidth());
    if (font != m_widthsFont || m_widths.size() > 100000) {
        m_widths.clear();
        m_widthsFont = font;
    }
    const QRectF areaRect(QPointF(0, 0), area);
    RadarGeometry::LabelSpace space(areaRect, height);
    // The own spot and the ring labels come before any station's label.
    space.place(QRectF(m_frame.centre - QPointF(markRadius, markRadius), QSizeF(2 * markRadius, 2 * markRadius)));
    for (int ring = 0; ring < 2; ++ring) {
        const double fraction = ring == 0 ? 1.0 : 0.5;
        const QString text = ringLabel(fraction);
        QPointF anchor = RadarGeometry::ringLabelAnchor(m_frame, fraction, kLabelGap);
        if (m_mapShown) {
            // Just inside the true circle's topmost point.
            const QPolygonF &circle = m_rings.at(ring);
            const auto top = std::min_element(circle.begin(), circle.end(),
                                              [](const QPointF &a, const QPointF &b) { return a.y() < b.y(); });
            anchor = *top + QPointF(kLabelGap, kLabelGap);
        }
        const QRectF rect(anchor, QSizeF(labelWidth(text, metrics), height));
        if (space.place(rect))
            m_ringLabels.append(rect);
        else
            m_ringLabels.append(QRectF());
    }

    // Nearest first: the nearer station keeps its label.
    const QList<SeenStation> &stations = m_input.stations;
    // Distance and index in one number: a non-negative float's bits order
    // as the float does, so the number sorts as the distance.
    std::vector<quint64> order;
    order.reserve(size_t(stations.size()));
    for (qsizetype i = 0; i < stations.size(); ++i) {
        const double distance = stations.at(i).distance;
        const float key = std::isnan(distance) ? INFINITY : float(std::clamp(distance, 0.0, double(INFINITY)));
        order.push_back(quint64(std::bit_cast<quint32>(key)) << 32 | quint64(i));
    }
    sortByDistance(order);

    // Every station placed in the order given, which reads the stations
    // one after another, straight into its place nearest first.
    std::vector<quint32> rank(size_t(stations.size()));
    for (size_t i = 0; i < order.size(); ++i)
        rank[size_t(order[i] & 0xffffffffu)] = quint32(i);
    m_marks.resize(stations.size());
    RadarMark *marks = m_marks.data();
    for (qsizetype index = 0; index < stations.size(); ++index) {
        const SeenStation &seen = stations.at(index);
        RadarMark &mark = marks[rank[size_t(index)]];
        mark.station = index;
        mark.kind = seen.kind;
        // The bearing is worked out only when a text asks for it: thousands
        // of angles per drawing would cost more than all the rest.
        if (m_mapShown) {
            mark.point = m_projection.toScreenQuick(seen.latitude / 60.0, seen.longitude / 60.0);
            mark.beyond = !(std::isfinite(seen.distance) && input.range > seen.distance);
        } else {
            const RadarGeometry::Plane::Offset o = m_plane.direction(seen.latitude, seen.longitude);
            // As RadarGeometry::spot, from the direction's parts.
            double radius = m_frame.outerRadius;
            mark.beyond = true;
            if (std::isfinite(seen.distance) && seen.distance <= 0.0) {
                radius = 0.0;
                mark.beyond = false;
            } else if (std::isfinite(seen.distance) && std::isfinite(input.range) && input.range > seen.distance) {
                radius = m_frame.outerRadius * seen.distance / input.range;
                mark.beyond = false;
            }
            mark.point = QPointF(m_frame.centre.x() + radius * (o.east * m_upCos - o.north * m_upSin),
                                 m_frame.centre.y() - radius * (o.north * m_upCos + o.east * m_upSin));
        }
        if (!m_input.looks.isEmpty())
            placeMotion(mark);
    }

    // Faint stations and objects: only those in the window.
    const QRectF near = areaRect.adjusted(-markRadius, -markRadius, markRadius, markRadius);
    for (qsizetype i = 0; i < m_input.others.size(); ++i) {
        const RadarOther &other = m_input.others.at(i);
        const QPointF point = place(other.latitude, other.longitude);
        if (near.contains(point))
            m_others.append({i, point, QRectF()});
    }
    for (qsizetype i = 0; i < m_input.objects.size(); ++i) {
        const RadarObject &object = m_input.objects.at(i);
        const QPointF point = place(object.latitude, object.longitude);
        if (near.contains(point))
            m_objects.append({i, point, QRectF()});
    }

    const double offset = markRadius + kLabelGap;
    // The text is only made once there is room for some label.
    // A label goes to the right, or to the left where that side is taken
    // or the station's arrow points right: the arrow stays in sight.
    auto tryLabel = [&](const QPointF &point, const auto &makeLabel, QRectF *placed, QString *text,
                        bool leftFirst = false) {
        const double top = point.y() - height / 2.0;
        // A square of the label's height is the least any label needs:
        // where even that is taken, the text is not measured at all.
        QRectF firstProbe(point.x() + offset, top, height, height);
        QRectF secondProbe(point.x() - offset - height, top, height, height);
        if (leftFirst)
            std::swap(firstProbe, secondProbe);
        const bool firstFree = space.isFree(firstProbe);
        if (!firstFree && !space.isFree(secondProbe))
            return false;
        const QString label = makeLabel();
        const double width = labelWidth(label, metrics);
        QRectF first(point.x() + offset, top, width, height);
        QRectF second(point.x() - offset - width, top, width, height);
        if (leftFirst)
            std::swap(first, second);
        if (firstFree && space.place(first))
            *placed = first;
        else if (space.place(second))
            *placed = second;
        else
            return false;
        if (text)
            *text = label;
        return true;
    };
    // Alarming and watched stations first, then the acknowledged ones;
    // nearest first within each.
    // In a cloud of thousands, once this many in a row found no room the
    // picture is full: the rest show their labels on hover.
    const int giveUpAfter = m_marks.size() > kCrowd ? 2000 : int(m_marks.size()) + 1;
    for (const bool acked : {false, true}) {
        int refused = 0;
        for (RadarMark &mark : m_marks) {
            const QPointF &p = mark.point;
            const bool inArea = p.x() >= 0.0 && p.y() >= 0.0 && p.x() <= area.width() && p.y() <= area.height();
            if ((mark.kind == SeenStation::Kind::Acked) != acked || !inArea)
                continue;
            const bool arrowRight = !mark.arrow.isNull() && mark.arrow.dx() > 0.0;
            if (tryLabel(mark.point, [this, &mark] { return labelText(mark); }, &mark.labelRect, &mark.label,
                         arrowRight)) {
                mark.labelShown = true;
                refused = 0;
            } else if (++refused >= giveUpAfter) {
                break;
            }
        }
    }
    for (RadarPoint &object : m_objects)
        tryLabel(object.point, [this, &object] { return plainText(m_input.objects.at(object.index).name); },
                 &object.labelRect, nullptr);
}

QString RadarScene::labelText(const RadarMark &mark) const
{
    const SeenStation &seen = station(mark);
    QString text = plainText(seen.callsign);
    if (mark.beyond)
        text += u' ' + distanceText(seen.distance, m_input.unit, m_locale);
    return text;
}

int RadarScene::markOf(const QString &callsign) const
{
    for (qsizetype i = 0; i < m_marks.size(); ++i) {
        if (station(m_marks.at(i)).callsign == callsign)
            return int(i);
    }
    return -1;
}

int RadarScene::markAt(const QPointF &pos, double radius) const
{
    int found = -1;
    double best = radius * radius;
    for (qsizetype i = 0; i < m_marks.size(); ++i) {
        const QPointF d = m_marks.at(i).point - pos;
        const double squared = d.x() * d.x() + d.y() * d.y();
        if (squared <= best && (found < 0 || squared < best)) {
            best = squared;
            found = int(i);
        }
    }
    return found;
}

QString RadarScene::ringLabel(double fraction) const
{
    return distanceText(m_input.range * fraction, m_input.unit);
}

double RadarScene::bearingOf(const RadarMark &mark) const
{
    const SeenStation &seen = station(mark);
    return m_plane.direction(seen.latitude, seen.longitude).degrees();
}

QString RadarScene::accessibleText(int index) const
{
    if (index < 0 || index >= m_marks.size())
        return QString();
    const RadarMark &mark = m_marks.at(index);
    const SeenStation &seen = station(mark);
    QString text = plainText(seen.callsign) + QStringLiteral(", ") + distanceText(seen.distance, m_input.unit)
                   + QStringLiteral(", ") + RadarGeometry::compassPoint(bearingOf(mark))
                   + (mark.beyond ? QStringLiteral(", out of range") : QStringLiteral(", in range"));
    if (seen.kind != SeenStation::Kind::Listed)
        text += QStringLiteral(", ") + kindText(seen.kind);
    const QString motion = motionText(seen, m_input.unit);
    if (!motion.isEmpty())
        text += QStringLiteral(", ") + motion;
    return text;
}

QString RadarScene::hoverText(int index) const
{
    if (index < 0 || index >= m_marks.size())
        return QString();
    const RadarMark &mark = m_marks.at(index);
    const SeenStation &seen = station(mark);
    QString text = plainText(seen.callsign) + u'\n' + distanceText(seen.distance, m_input.unit) + QStringLiteral(", ")
                   + degreesText(bearingOf(mark)) + u' ' + RadarGeometry::compassPoint(bearingOf(mark));
    const QString heard = CycleSnapshot::lastHeard(seen.entry);
    if (!heard.isEmpty())
        text += QStringLiteral("\nlast heard ") + plainText(heard);
    const QString motion = motionText(seen, m_input.unit);
    if (!motion.isEmpty())
        text += u'\n' + motion;
    return text;
}

QString RadarScene::detailsText(int index) const
{
    if (index < 0 || index >= m_marks.size())
        return QString();
    const RadarMark &mark = m_marks.at(index);
    const SeenStation &seen = station(mark);
    QString text = plainText(seen.callsign);
    text += QStringLiteral("\n\nDistance: ") + distanceText(seen.distance, m_input.unit)
            + (mark.beyond ? QStringLiteral(", outside the alarm range") : QStringLiteral(", inside the alarm range"));
    text += QStringLiteral("\nBearing: ") + degreesText(bearingOf(mark)) + u' ' + RadarGeometry::compassPoint(bearingOf(mark));
    text += QStringLiteral("\nPosition: ") + angleText(seen.latitude, 'N', 'S') + QStringLiteral(", ")
            + angleText(seen.longitude, 'E', 'W');
    const QString heard = CycleSnapshot::lastHeard(seen.entry);
    if (!heard.isEmpty())
        text += QStringLiteral("\nLast heard: ") + plainText(heard);
    text += QStringLiteral("\nState: ") + kindText(seen.kind);
    return text;
}

} // namespace nearbell
