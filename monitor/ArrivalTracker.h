#pragma once

#include <QList>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>

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
    bool operator==(const AlarmLine &) const = default;
};

// Reads "AB1CD distance 3.142", "AB1CD (watch) 3.142" or "AB1CD (direct)
// 3.142" back into its parts;
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
