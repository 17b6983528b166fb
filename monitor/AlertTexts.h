#pragma once

#include "host/GreatCircle.h"
#include "monitor/ArrivalTracker.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace nearbell {

// The texts the alarm channels announce arrivals with. Plain text only:
// whoever shows them decides how to keep markup from being read as such.

// How many arrivals a notification or the speech names; the rest are counted.
inline constexpr int kNamedArrivals = 5;

// "3.2 km" / "3.2 mi": one decimal, no grouping.
QString distanceWithUnit(double distance, DistanceUnit unit, const QLocale &locale = QLocale());

// One of the eight compass points for a bearing in degrees ("north",
// "north-east", ...); empty for a negative (unknown) bearing.
QString compassPoint(double bearing);

// "DL1ABC is 3.2 km away, north-east", "DL1ABC (watch) is 512.3 km away,
// south", "DL1ABC (heard direct) is 80.0 km away, west"; no direction
// while the bearing is unknown.
QString arrivalText(const AlarmLine &arrival, DistanceUnit unit, const QLocale &locale = QLocale());

// "DL1ABC approaching: 12.3 km north-west, closest 1.2 km in 6 minutes" is
// how an arrival listed as approaching reads.

// "closest 1.2 km in 6 minutes" for a closest approach (cpa in the unit)
// still ahead; empty while either is unknown or already past. Whole
// minutes, rounded up so that one still ahead never reads "in 0 minutes".
QString closestApproachText(double cpa, double tcpaMinutes, DistanceUnit unit,
                            const QLocale &locale = QLocale());

// "acknowledged until 14:05": the end in the local time of day.
QString acknowledgedUntilText(const QDateTime &end);

// One notification for all arrivals of a cycle. One arrival: its text is
// the summary. More: the summary counts them, the body names the first five
// one per line and counts the rest ("and 3 more").
struct ArrivalNotice
{
    QString summary;
    QString body;
    QString callsign; // the station a click on the notification shows
};
ArrivalNotice arrivalNotice(const QList<AlarmLine> &arrivals, DistanceUnit unit,
                            const QLocale &locale = QLocale());

// "D L 1 A B C, 3.2 kilometres, north-east": the callsign letter by letter
// ("-" said as "dash", "/" as "slash", anything else unspeakable left out),
// the reason when it is not the range ("watch", "heard direct"), the
// distance with one decimal (".0" dropped), the unit written out and the
// direction when known.
QString spokenArrival(const AlarmLine &arrival, DistanceUnit unit);

// What is spoken for a cycle's arrivals: the first five, then "and 3 more
// stations" when there are more.
QStringList spokenArrivals(const QList<AlarmLine> &arrivals, DistanceUnit unit);

} // namespace nearbell
