#pragma once

#include <QList>
#include <QString>

#include <cmath>

namespace nearbell {

class HostStation;

// One station as a scan cycle saw it.
struct SeenStation
{
    // Listed: in lstStations by its distance; Acked: in range but
    // acknowledged; Watched: on the watch list and not acknowledged.
    enum class Kind { Listed, Acked, Watched };

    QString callsign;
    QString entry; // the host's list entry: the time last heard follows its blank
    double latitude = 0.0;  // signed minutes of arc, north positive
    double longitude = 0.0; // signed minutes of arc, east positive
    double distance = 0.0;  // in the host's unit
    Kind kind = Kind::Listed;
    double course = std::nan("");   // degrees true; NaN unknown
    double speedKmh = std::nan(""); // NaN unknown
};

// The stations of the last complete scan cycle, for views that draw them.
//
// Responsibilities:
//  - collect, while a cycle runs, every station the scans found in range
//    (listed or acknowledged) or watched, with its position and distance
//    as the host gave them;
//  - keep a station seen by both scans once, as watched;
//  - hand out the last complete cycle only: a cycle still running, or one
//    that never finished, leaves the previous picture in place;
//  - count the cycles published, so a view knows when it is stale.
class CycleSnapshot
{
public:
    void begin();
    void add(const QString &callsign, const QString &entry, const HostStation &record, double distance,
             SeenStation::Kind kind);
    void publish();

    const QList<SeenStation> &stations() const { return m_published; }
    quint64 cycles() const { return m_cycles; }

    // The time last heard of an entry ("12:34:56"), empty when it has none.
    static QString lastHeard(const QString &entry);

private:
    QList<SeenStation> m_collecting;
    QList<SeenStation> m_published;
    quint64 m_cycles = 0;
};

} // namespace nearbell
