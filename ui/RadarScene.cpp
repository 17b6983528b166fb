#include "ui/RadarScene.h"

#include "ui/StationFormat.h"

#include <QLocale>

#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

namespace nearbell {

namespace {

constexpr double kLabelGap = 2.0;

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
    const QLocale locale;
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

void RadarScene::build(const RadarInput &input, const QSizeF &area, const QFontMetricsF &metrics)
{
    m_input = input;
    m_marks.clear();
    m_ringLabels.clear();
    m_frame = RadarGeometry::frame(area, input.range, input.upDegrees, ringMargin);
    // Without the own position nothing has a place: nothing is drawn.
    if (!input.hasOwnPosition)
        return;

    const double height = metrics.height();
    // Widths measured in another font are of no use.
    const QString font = QString::number(height) + u'/' + QString::number(metrics.averageCharWidth());
    if (font != m_widthsFont || m_widths.size() > 100000) {
        m_widths.clear();
        m_widthsFont = font;
    }
    RadarGeometry::LabelSpace space(QRectF(QPointF(0, 0), area), height);
    // The own spot and the ring labels come before any station's label.
    space.place(QRectF(m_frame.centre - QPointF(markRadius, markRadius), QSizeF(2 * markRadius, 2 * markRadius)));
    for (const double fraction : {1.0, 0.5}) {
        const QString text = ringLabel(fraction);
        const QRectF rect(RadarGeometry::ringLabelAnchor(m_frame, fraction, kLabelGap),
                          QSizeF(labelWidth(text, metrics), height));
        if (space.place(rect))
            m_ringLabels.append(rect);
        else
            m_ringLabels.append(QRectF());
    }

    // Nearest first: the nearer station keeps its label.
    const QList<SeenStation> &stations = m_input.stations;
    // Distance and index in one number: a non-negative float's bits order
    // as the float does, so one plain sort orders thousands quickly.
    std::vector<quint64> order;
    order.reserve(size_t(stations.size()));
    for (qsizetype i = 0; i < stations.size(); ++i) {
        const double distance = stations.at(i).distance;
        const float key = std::isnan(distance) ? INFINITY : float(std::clamp(distance, 0.0, double(INFINITY)));
        order.push_back(quint64(std::bit_cast<quint32>(key)) << 32 | quint64(i));
    }
    std::sort(order.begin(), order.end());

    m_marks.reserve(stations.size());
    for (const quint64 key : order) {
        const qsizetype index = qsizetype(key & 0xffffffffu);
        const SeenStation &seen = stations.at(index);
        RadarMark mark;
        mark.station = index;
        mark.bearing = RadarGeometry::bearing(input.ownLatitude, input.ownLongitude, seen.latitude, seen.longitude);
        const RadarGeometry::Spot spot = RadarGeometry::spot(m_frame, mark.bearing, seen.distance);
        mark.point = spot.point;
        mark.beyond = spot.beyond;
        m_marks.append(mark);
    }

    const double offset = markRadius + kLabelGap;
    for (RadarMark &mark : m_marks) {
        const double top = mark.point.y() - height / 2.0;
        // A square of the label's height is the least any label needs:
        // where even that is taken, the text is not measured at all.
        const QRectF rightProbe(mark.point.x() + offset, top, height, height);
        const QRectF leftProbe(mark.point.x() - offset - height, top, height, height);
        const bool rightFree = space.isFree(rightProbe);
        if (!rightFree && !space.isFree(leftProbe))
            continue;
        const QString label = labelText(mark);
        const double width = labelWidth(label, metrics);
        const QRectF right(mark.point.x() + offset, top, width, height);
        const QRectF left(mark.point.x() - offset - width, top, width, height);
        if (rightFree && space.place(right))
            mark.labelRect = right;
        else if (space.place(left))
            mark.labelRect = left;
        else
            continue;
        mark.label = label;
        mark.labelShown = true;
    }
}

QString RadarScene::labelText(const RadarMark &mark) const
{
    const SeenStation &seen = station(mark);
    QString text = plainText(seen.callsign);
    if (mark.beyond)
        text += u' ' + distanceText(seen.distance, m_input.unit);
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

QString RadarScene::accessibleText(int index) const
{
    if (index < 0 || index >= m_marks.size())
        return QString();
    const RadarMark &mark = m_marks.at(index);
    const SeenStation &seen = station(mark);
    QString text = plainText(seen.callsign) + QStringLiteral(", ") + distanceText(seen.distance, m_input.unit)
                   + QStringLiteral(", ") + RadarGeometry::compassPoint(mark.bearing)
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
                   + degreesText(mark.bearing) + u' ' + RadarGeometry::compassPoint(mark.bearing);
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
    text += QStringLiteral("\nBearing: ") + degreesText(mark.bearing) + u' ' + RadarGeometry::compassPoint(mark.bearing);
    text += QStringLiteral("\nPosition: ") + angleText(seen.latitude, 'N', 'S') + QStringLiteral(", ")
            + angleText(seen.longitude, 'E', 'W');
    const QString heard = CycleSnapshot::lastHeard(seen.entry);
    if (!heard.isEmpty())
        text += QStringLiteral("\nLast heard: ") + plainText(heard);
    text += QStringLiteral("\nState: ") + kindText(seen.kind);
    return text;
}

} // namespace nearbell
