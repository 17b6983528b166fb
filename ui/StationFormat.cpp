#include "ui/StationFormat.h"

#include "ui/RadarScene.h"
#include "monitor/AlertTexts.h"

#include <QLocale>

#include <cmath>

namespace nearbell {

namespace {

constexpr double kFeetPerMetre = 1.0 / 0.3048;
// Beyond this no station goes, climbs or closes: a value past it was misread.
constexpr double kLargest = 1e7;

const QChar degreeSign(0x00B0);

bool usable(double value)
{
    return std::isfinite(value) && std::abs(value) < kLargest;
}

QString whole(double value)
{
    return QString::number(std::llround(value));
}

QString angle(double minutes, char positive, char negative)
{
    // In thousandths of a minute, so that 59.9996' carries into the degree.
    const long long thousandths = std::llround(std::abs(minutes) * 1000.0);
    const long long degrees = thousandths / 60000;
    const long long rest = thousandths % 60000;
    return QStringLiteral("%1%2 %3.%4' %5")
        .arg(degrees)
        .arg(degreeSign)
        .arg(rest / 1000, 2, 10, QLatin1Char('0'))
        .arg(rest % 1000, 3, 10, QLatin1Char('0'))
        .arg(QLatin1Char(minutes < 0 ? negative : positive));
}

bool isPosition(double latitude, double longitude)
{
    return std::isfinite(latitude) && std::isfinite(longitude) && std::abs(latitude) <= 90.0 * 60.0
           && std::abs(longitude) <= 180.0 * 60.0;
}

} // namespace

QString StationFormat::distanceUnit(DistanceUnit unit)
{
    return unit == DistanceUnit::Miles ? QStringLiteral("mi") : QStringLiteral("km");
}

QString StationFormat::speedUnit(DistanceUnit unit)
{
    return unit == DistanceUnit::Miles ? QStringLiteral("mph") : QStringLiteral("km/h");
}

QString StationFormat::altitudeUnit(DistanceUnit unit)
{
    return unit == DistanceUnit::Miles ? QStringLiteral("ft") : QStringLiteral("m");
}

QString StationFormat::distanceText(double distance)
{
    if (!usable(distance) || distance < 0.0)
        return QString();
    return QLocale().toString(distance, 'f', 1);
}

QString StationFormat::compassPoint(double degrees)
{
    if (!std::isfinite(degrees))
        return QString();
    static const char *const points[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    const double turned = std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0);
    return QLatin1String(points[int((turned + 22.5) / 45.0) % 8]);
}

QString StationFormat::bearingText(double degrees)
{
    if (!std::isfinite(degrees))
        return QString();
    const double turned = std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0);
    return QString::number(std::lround(turned) % 360) + degreeSign + u' ' + compassPoint(turned);
}

QString StationFormat::courseText(double degrees)
{
    if (!std::isfinite(degrees) || degrees < 0.0 || degrees > 360.0)
        return QString();
    const long rounded = std::lround(degrees);
    return QString::number(rounded == 0 ? 360 : rounded);
}

QString StationFormat::speedText(double kmh, DistanceUnit unit)
{
    if (!usable(kmh) || kmh < 0.0)
        return QString();
    return whole(unit == DistanceUnit::Miles ? kmh / greatcircle::kKmPerMile : kmh);
}

QString StationFormat::altitudeText(double metres, DistanceUnit unit)
{
    if (!usable(metres))
        return QString();
    return whole(unit == DistanceUnit::Miles ? metres * kFeetPerMetre : metres);
}

QString StationFormat::closingText(double kmh, DistanceUnit unit)
{
    if (!usable(kmh))
        return QString();
    return whole(unit == DistanceUnit::Miles ? kmh / greatcircle::kKmPerMile : kmh);
}

QString StationFormat::approachText(const StationRow &row, DistanceUnit unit)
{
    const double cpa = unit == DistanceUnit::Miles ? row.cpaKm / greatcircle::kKmPerMile : row.cpaKm;
    return closestApproachText(cpa, row.tcpaMinutes, unit);
}

QString StationFormat::closingWithApproach(const StationRow &row, DistanceUnit unit)
{
    const QString closing = closingText(row.closingKmh, unit);
    const QString approach = approachText(row, unit);
    if (closing.isEmpty() || approach.isEmpty())
        return closing;
    return closing + QStringLiteral(", ") + approach;
}

QString StationFormat::motionText(double course, double speedKmh, DistanceUnit unit)
{
    const QString speed = speedText(speedKmh, unit);
    const QString heading = courseText(course);
    QString text;
    if (!speed.isEmpty())
        text = speed + u' ' + speedUnit(unit);
    // A station standing still heads nowhere.
    if (!heading.isEmpty() && speedKmh != 0.0)
        text += (text.isEmpty() ? QStringLiteral("heading ") : QStringLiteral(" heading ")) + heading + degreeSign;
    return text;
}

QString StationFormat::timeText(const QDateTime &utc)
{
    if (!utc.isValid())
        return QString();
    return utc.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
}

QString StationFormat::ageText(qint64 ms)
{
    if (ms < 0)
        return QString();
    const qint64 s = ms / 1000;
    if (s < 60)
        return QStringLiteral("%1 s").arg(s);
    if (s < 3600)
        return QStringLiteral("%1 min %2 s").arg(s / 60).arg(s % 60);
    if (s < 86400)
        return QStringLiteral("%1 h %2 min").arg(s / 3600).arg(s % 3600 / 60);
    return QStringLiteral("%1 d %2 h").arg(s / 86400).arg(s % 86400 / 3600);
}

QString StationFormat::viaText(const QStringList &path, bool heardDirect)
{
    if (path.isEmpty())
        return heardDirect ? QStringLiteral("direct") : QString();
    return RadarScene::plainText(path.join(u','));
}

QString StationFormat::commentText(const QString &comment, const QString &status)
{
    return RadarScene::plainText(comment.isEmpty() ? status : comment);
}

QString StationFormat::stateText(const StationRow &row)
{
    switch (row.state) {
    case StationState::InRange:
        return QStringLiteral("in range");
    case StationState::Acknowledged:
        return row.acknowledgedUntil.isValid() ? acknowledgedUntilText(row.acknowledgedUntil)
                                               : QStringLiteral("acknowledged");
    case StationState::Watched:
        return QStringLiteral("watched");
    case StationState::None:
        break;
    }
    return QString();
}

QString StationFormat::degreesMinutes(double latitude, double longitude)
{
    if (!isPosition(latitude, longitude))
        return QString();
    return angle(latitude, 'N', 'S') + QStringLiteral(", ") + angle(longitude, 'E', 'W');
}

QString StationFormat::decimalDegrees(double latitude, double longitude)
{
    if (!isPosition(latitude, longitude))
        return QString();
    return QString::number(latitude / 60.0, 'f', 5) + QStringLiteral(", ") + QString::number(longitude / 60.0, 'f', 5);
}

QString StationFormat::locator(double latitude, double longitude)
{
    if (!isPosition(latitude, longitude))
        return QString();
    // The poles and the antimeridian's east side belong to the last square.
    const double lon = std::min(longitude / 60.0 + 180.0, 360.0 - 1e-9);
    const double lat = std::min(latitude / 60.0 + 90.0, 180.0 - 1e-9);
    QString text;
    text += QChar(u'A' + int(lon / 20.0));
    text += QChar(u'A' + int(lat / 10.0));
    text += QChar(u'0' + int(std::fmod(lon, 20.0) / 2.0));
    text += QChar(u'0' + int(std::fmod(lat, 10.0)));
    text += QChar(u'a' + int(std::fmod(lon, 2.0) * 12.0));
    text += QChar(u'a' + int(std::fmod(lat, 1.0) * 24.0));
    return text;
}

} // namespace nearbell
