#include "monitor/AlertTexts.h"

#include <cmath>

namespace nearbell {

namespace {

QString oneDecimal(double distance, QLocale locale)
{
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(distance, 'f', 1);
}

QString spokenCallsign(const QString &callsign)
{
    QStringList parts;
    for (const QChar c : callsign) {
        if (c == u'-')
            parts << QStringLiteral("dash");
        else if (c == u'/')
            parts << QStringLiteral("slash");
        else if (c.isLetterOrNumber())
            parts << QString(c.toUpper());
    }
    return parts.join(u' ');
}

// What listed the station besides the range, in the words of the texts.
QString reasonWords(const AlarmLine &arrival)
{
    if (arrival.watch)
        return QStringLiteral("watch");
    if (arrival.direct)
        return QStringLiteral("heard direct");
    if (arrival.approaching)
        return QStringLiteral("approaching");
    return {};
}

int wholeMinutesAhead(double minutes)
{
    return std::max(1, int(std::ceil(minutes - 1e-9)));
}

QString minutesWords(int minutes)
{
    return minutes == 1 ? QStringLiteral("1 minute") : QStringLiteral("%1 minutes").arg(minutes);
}

QString directionSuffix(double bearing)
{
    const QString point = compassPoint(bearing);
    return point.isEmpty() ? QString() : QStringLiteral(", ") + point;
}

} // namespace

QString compassPoint(double bearing)
{
    static const char *const points[8] = {"north", "north-east", "east", "south-east",
                                          "south", "south-west", "west", "north-west"};
    if (!(bearing >= 0.0))
        return {};
    const int sector = int((bearing + 22.5) / 45.0) % 8;
    return QString::fromLatin1(points[sector]);
}

QString distanceWithUnit(double distance, DistanceUnit unit, const QLocale &locale)
{
    return oneDecimal(distance, locale)
           + (unit == DistanceUnit::Miles ? QStringLiteral(" mi") : QStringLiteral(" km"));
}

QString closestApproachText(double cpa, double tcpaMinutes, DistanceUnit unit, const QLocale &locale)
{
    if (!std::isfinite(cpa) || !(tcpaMinutes > 0.0) || !std::isfinite(tcpaMinutes))
        return {};
    return QStringLiteral("closest ") + distanceWithUnit(cpa, unit, locale) + QStringLiteral(" in ")
           + minutesWords(wholeMinutesAhead(tcpaMinutes));
}

QString acknowledgedUntilText(const QDateTime &end)
{
    return QStringLiteral("acknowledged until ") + end.toLocalTime().toString(QStringLiteral("HH:mm"));
}

QString arrivalText(const AlarmLine &arrival, DistanceUnit unit, const QLocale &locale)
{
    if (arrival.approaching && !arrival.watch) {
        const QString point = compassPoint(arrival.bearing);
        const QString closest = closestApproachText(arrival.cpa, arrival.tcpaMinutes, unit, locale);
        return arrival.callsign + QStringLiteral(" approaching: ") + distanceWithUnit(arrival.distance, unit, locale)
               + (point.isEmpty() ? QString() : u' ' + point)
               + (closest.isEmpty() ? QString() : QStringLiteral(", ") + closest);
    }
    const QString reason = reasonWords(arrival);
    return arrival.callsign + (reason.isEmpty() ? QString() : QStringLiteral(" (") + reason + u')')
           + QStringLiteral(" is ") + distanceWithUnit(arrival.distance, unit, locale)
           + QStringLiteral(" away") + directionSuffix(arrival.bearing);
}

ArrivalNotice arrivalNotice(const QList<AlarmLine> &arrivals, DistanceUnit unit, const QLocale &locale)
{
    ArrivalNotice notice;
    if (arrivals.isEmpty())
        return notice;
    notice.callsign = arrivals.first().callsign;
    if (arrivals.size() == 1) {
        notice.summary = arrivalText(arrivals.first(), unit, locale);
        return notice;
    }
    notice.summary = QStringLiteral("%1 stations raised the alarm").arg(arrivals.size());
    QStringList lines;
    for (qsizetype i = 0; i < arrivals.size() && i < kNamedArrivals; ++i)
        lines << arrivalText(arrivals[i], unit, locale);
    if (arrivals.size() > kNamedArrivals)
        lines << QStringLiteral("and %1 more").arg(arrivals.size() - kNamedArrivals);
    notice.body = lines.join(u'\n');
    return notice;
}

QString spokenArrival(const AlarmLine &arrival, DistanceUnit unit)
{
    QString number = oneDecimal(arrival.distance, QLocale::c());
    if (number.endsWith(QStringLiteral(".0")))
        number.chop(2);
    const bool one = number == QStringLiteral("1");
    QString unitWord;
    if (unit == DistanceUnit::Miles)
        unitWord = one ? QStringLiteral("mile") : QStringLiteral("miles");
    else
        unitWord = one ? QStringLiteral("kilometre") : QStringLiteral("kilometres");
    const QString reason = reasonWords(arrival);
    QString closest;
    if (arrival.approaching && std::isfinite(arrival.cpa) && arrival.tcpaMinutes > 0.0) {
        QString cpa = oneDecimal(arrival.cpa, QLocale::c());
        if (cpa.endsWith(QStringLiteral(".0")))
            cpa.chop(2);
        const bool oneUnit = cpa == QStringLiteral("1");
        const QString cpaUnit = unit == DistanceUnit::Miles ? (oneUnit ? QStringLiteral("mile") : QStringLiteral("miles"))
                                                            : (oneUnit ? QStringLiteral("kilometre")
                                                                       : QStringLiteral("kilometres"));
        closest = QStringLiteral(", closest ") + cpa + u' ' + cpaUnit + QStringLiteral(" in ")
                  + minutesWords(wholeMinutesAhead(arrival.tcpaMinutes));
    }
    return spokenCallsign(arrival.callsign) + (reason.isEmpty() ? QString() : QStringLiteral(", ") + reason)
           + QStringLiteral(", ") + number + u' ' + unitWord + directionSuffix(arrival.bearing) + closest;
}

QStringList spokenArrivals(const QList<AlarmLine> &arrivals, DistanceUnit unit)
{
    QStringList texts;
    for (qsizetype i = 0; i < arrivals.size() && i < kNamedArrivals; ++i)
        texts << spokenArrival(arrivals[i], unit);
    if (arrivals.size() > kNamedArrivals)
    {
        const qsizetype rest = arrivals.size() - kNamedArrivals;
        texts << QStringLiteral("and %1 more %2").arg(rest).arg(rest == 1 ? QStringLiteral("station")
                                                                           : QStringLiteral("stations"));
    }
    return texts;
}

} // namespace nearbell
