#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <unordered_map>
#include <vector>

#include "host/GreatCircle.h"
#include "host/StationReport.h"

namespace nearbell {

// The host's table of heard stations.
//
// Responsibilities:
//  - keep the newest position of every station, object and item by its
//    exact (case-sensitive) name, with its symbol, the time it was last
//    heard and whether that was directly (no digipeater);
//  - always hold the own station at its configured position, at distance 0,
//    when an own callsign and position are known; it never expires and is
//    never deleted by a report;
//  - delete killed objects and items, and stations not heard for the
//    expiry time;
//  - present the stations as the host's station list: entries in ascending
//    callsign order, each "<symbol><callsign>[*] HH:mm:ss" with the time in
//    UTC; reading an entry by index costs O(1); stations that arrived since
//    the last read are merged into the order on the next read;
//  - measure the great-circle distance of a station from the own station in
//    the host's unit;
//  - announce each position taken in, each deletion and a clearing.
class StationTable : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;

    // The symbol the own station is listed with (a house).
    static constexpr char kOwnSymbolTable = '/';
    static constexpr char kOwnSymbolCode = '-';
    // Reported when no own position is known: far beyond any alarm range.
    static constexpr double kUnknownDistance = 99999.0;

    struct Station
    {
        QString callsign;
        char symbolTable = '/';
        char symbolCode = '/';
        double latitude = 0.0;  // signed minutes of arc
        double longitude = 0.0; // signed minutes of arc
        QDateTime lastHeard;    // UTC
        bool heardDirectly = false;
        bool own = false;
    };

    explicit StationTable(QObject *parent = nullptr);

    // Where "now" comes from; the system clock (UTC) unless replaced.
    void setClock(Clock clock);
    QDateTime now() const;

    void setUnit(DistanceUnit unit) { m_unit = unit; }
    DistanceUnit unit() const { return m_unit; }

    // Minutes after which a station not heard again is deleted; 0 or less
    // keeps stations for ever.
    void setExpiryMinutes(int minutes) { m_expiryMinutes = minutes; }
    int expiryMinutes() const { return m_expiryMinutes; }

    // Puts the own station into the table (replacing an earlier one).
    void setOwnStation(const QString &callsign, double latitude, double longitude);
    bool hasOwnStation() const { return m_own != nullptr; }
    // Moves the own station (a mobile fix) in O(1): the list order stays as
    // it is. False, moving nothing, without an own station or for a position
    // that is not a real one.
    bool moveOwnStation(double latitude, double longitude);

    // Takes in one report. Returns false when it was ignored: an empty name
    // or one holding a blank, or a position that is not a real one.
    bool apply(const StationReport &report);
    // Deletes the stations not heard for the expiry time; returns how many.
    int expire();
    int expire(const QDateTime &now);
    // Deletes every station but the own one.
    void clear();

    int entryCount() const { return int(m_stations.size()); }
    // The entry at index, or the empty text outside 0..entryCount()-1.
    QString entry(int index) const;
    const Station *find(const QString &callsign) const;
    // Distance of a station from the own station in the table's unit.
    double distanceOf(const Station &station) const;

    static QString entryText(const Station &station);

signals:
    void beaconReceived(const QString &callsign, double latitude, double longitude);
    void stationDeleted(const QString &callsign);
    void cleared();

private:
    void insertIntoOrder(const Station *station);
    void removeFromOrder(const Station *station);
    void remove(const QString &callsign);
    const std::vector<const Station *> &ordered() const;

    std::unordered_map<QString, Station> m_stations;
    const Station *m_own = nullptr;
    // The list order: m_ordered is sorted by callsign; stations that arrived
    // since the last read wait in m_pending and are merged in on the next
    // read, so a burst of arrivals costs one merge, not one sort each.
    mutable std::vector<const Station *> m_ordered;
    mutable std::vector<const Station *> m_pending;
    Clock m_clock;
    DistanceUnit m_unit = DistanceUnit::Kilometres;
    int m_expiryMinutes = 60;
};

} // namespace nearbell
