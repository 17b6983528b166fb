#pragma once

#include <QList>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cmath>
#include <optional>

namespace nearbell {

// A station as one cycle left it in lstStations.
struct AlarmLine
{
    QString callsign;
    double distance = 0.0;
    bool watch = false; // listed by the watch list
    bool direct = false; // listed as heard direct
    double bearing = -1.0; // degrees from the own station; negative when unknown
    QString source = {};   // the source of the station's newest report
    bool approaching = false; // listed as approaching
    double cpa = std::nan("");         // closest approach, in the host's unit; NaN unknown
    double tcpaMinutes = std::nan(""); // minutes until then; NaN unknown
    bool operator==(const AlarmLine &other) const
    {
        const auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
        return callsign == other.callsign && distance == other.distance && watch == other.watch
               && direct == other.direct && approaching == other.approaching && same(cpa, other.cpa)
               && same(tcpaMinutes, other.tcpaMinutes) && bearing == other.bearing && source == other.source;
    }
};

// Reads "AB1CD distance 3.142", "AB1CD (watch) 3.142", "AB1CD (direct)
// 3.142" or "AB1CD (approaching) 12.5" back into its parts;
// any other line ("disabled") is not a station. locale is the one the
// distance was written with.
std::optional<AlarmLine> parseAlarmLine(QStringView line, const QLocale &locale = QLocale());

// Which stations arrived in lstStations, so that each is announced once.
//
// Responsibilities:
//  - after every cycle's station and watch scans, take the list's lines and
//    name the stations that were not in the list at the end of the previous
//    cycle: one entry per callsign (a watch line marks it watched, the
//    smaller distance counts), closest first;
//  - a station stays announced while it stays in the list; one cycle out of
//    it, or an acknowledgement (after which only a re-arm brings it back),
//    makes it new again.
class ArrivalTracker
{
public:
    QList<AlarmLine> cycle(const QStringList &lines, const QLocale &locale = QLocale());
    void acknowledged(const QString &callsign) { m_listed.remove(callsign); }
    bool isListed(const QString &callsign) const { return m_listed.contains(callsign); }

private:
    QSet<QString> m_listed;
};

} // namespace nearbell
