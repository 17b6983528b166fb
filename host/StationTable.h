#pragma once

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <cmath>
#include <functional>
#include <unordered_map>
#include <vector>

#include "host/GreatCircle.h"
#include "host/HostStation.h"
#include "host/StationReport.h"

namespace nearbell {

// The host's table of heard stations.
//
// Responsibilities:
//  - keep the newest position of every station, object and item by its
//    exact (case-sensitive) name, with its symbol, the time it was last
//    heard, whether that was directly (no digipeater), when it was last
//    heard directly and which source delivered its newest report: a station
//    heard by several sources is one entry;
//  - count and announce a station reported at another place by another
//    source within kConflictMs (two stations using one callsign, or a late
//    copy): the newest report still places it;
//  - always hold the own station at its configured position, at distance 0,
//    when an own callsign and position are known; it never expires and is
//    never deleted by a report;
//  - delete killed objects and items, stations not heard for the expiry
//    time, and those last heard by a source that is gone;
//  - hold at most capacity() stations (the own one included): when full, a
//    new station either takes the place of the station farthest from the
//    own position, or is dropped itself when it is the farthest, so that a
//    flood of distant stations never pushes out a near one; count the drops;
//  - present the stations as the host's station list: entries in ascending
//    callsign order, each "<symbol><callsign>[*] HH:mm:ss" with the time in
//    UTC; reading an entry by index costs O(1); stations that arrived since
//    the last read are merged into the order on the next read (or once
//    enough wait), deleted ones leave it in one pass on the next read;
//  - hand out the list for one walk (takeList), readable to its end however
//    the table changes meanwhile;
//  - measure the great-circle distance of a station from the own station in
//    the host's unit;
//  - keep what each report says beside the place (motion, comment, status,
//    path, packet count, first heard, a short track), the texts cleaned; a
//    status text of a station not yet placed waits for its first position;
//  - measure every age (expiry, heard direct, conflicts, motion) on a clock
//    that never steps; the wall-clock times kept for display follow a step
//    of the wall clock, so that a step neither revives nor expires anyone;
//  - announce each position taken in, each deletion and a clearing.
class StationTable : public QObject
{
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    // Milliseconds from any fixed start, never stepping back or jumping.
    using ElapsedClock = std::function<qint64()>;

    // The symbol the own station is listed with (a house).
    static constexpr char kOwnSymbolTable = '/';
    static constexpr char kOwnSymbolCode = '-';
    // How long a station heard direct counts as heard direct recently.
    static constexpr int kDirectMinutes = 30;
    // Reported when no own position is known: far beyond any alarm range.
    static constexpr double kUnknownDistance = 99999.0;
    // The most stations the host contract can count (16 bits, signed).
    static constexpr int kDefaultCapacity = 32767;
    // Two sources placing one station apart within this time disagree.
    static constexpr qint64 kConflictMs = 1000;
    // Positions kept per station for its track.
    static constexpr int kTrackLength = 20;
    // A position closer than this to the one before only refreshes its time.
    static constexpr double kTrackStepKm = 0.010;
    // Comments and status texts are kept to this many characters.
    static constexpr int kTextLength = 80;
    // A wall clock that moves this much more or less than the steady one
    // between two looks has been stepped.
    static constexpr qint64 kStepMs = 2000;
    // Status texts of stations not yet placed, kept at most.
    static constexpr int kMostWaitingStatus = 1024;

    struct Station
    {
        QString callsign;
        char symbolTable = '/';
        char symbolCode = '/';
        double latitude = 0.0;  // signed minutes of arc
        double longitude = 0.0; // signed minutes of arc
        QDateTime lastHeard;    // UTC, for display
        QString source;         // the source of the newest report
        bool heardDirectly = false;
        QDateTime lastHeardDirect; // UTC, for display; null until heard direct once
        bool own = false;

        // Motion of the newest report that gave it (NaN unknown), with when
        // that report was heard, and the course of the one before it.
        double course = std::nan("");
        double speedKmh = std::nan("");
        double altitudeM = std::nan("");
        QDateTime motionHeard;          // UTC; null while no report gave motion
        double priorCourse = std::nan("");
        qint64 courseGapMs = -1;
        QString comment;
        QString status;
        QStringList path;
        qint64 packets = 0;
        QDateTime firstHeard;           // UTC
        std::vector<HostStation::TrackPoint> track; // oldest first, at most kTrackLength
        // The same moments on the steady clock, for ages.
        qint64 heardMs = 0;
        qint64 heardDirectMs = 0;  // valid while lastHeardDirect is
        qint64 motionMs = 0;       // valid while motionHeard is
        // Changes whenever the station is put in or moves: tells a current
        // eviction candidate from one that went stale.
        quint64 serial = 0;
        bool removed = false; // deleted, still held until the order lets go
    };

    explicit StationTable(QObject *parent = nullptr);

    // Where "now" comes from: the wall clock (the system clock in UTC unless
    // replaced) for display, and a steady clock for ages. Given the wall
    // clock alone, ages follow it as if it never stepped.
    void setClock(Clock clock);
    void setClock(Clock clock, ElapsedClock elapsed);
    QDateTime now() const;
    qint64 elapsedMs() const { return m_elapsed(); }
    // Milliseconds since the station's newest motion report; -1 without one.
    qint64 motionAgeMs(const Station &station) const;

    void setUnit(DistanceUnit unit) { m_unit = unit; }
    DistanceUnit unit() const { return m_unit; }

    // Minutes after which a station not heard again is deleted; 0 or less
    // keeps stations for ever.
    void setExpiryMinutes(int minutes) { m_expiryMinutes = minutes; }
    int expiryMinutes() const { return m_expiryMinutes; }

    // The most stations held, the own one included (at least 2).
    void setCapacity(int stations);
    int capacity() const { return m_capacity; }
    bool isFull() const { return entryCount() >= m_capacity; }
    // Stations dropped because the table was full: evicted ones and new
    // arrivals that were the farthest themselves.
    qint64 droppedCount() const { return m_dropped; }
    // Reports that placed a station elsewhere than another source did
    // within kConflictMs.
    qint64 conflictCount() const { return m_conflicts; }

    // Puts the own station into the table (replacing an earlier one).
    void setOwnStation(const QString &callsign, double latitude, double longitude);
    bool hasOwnStation() const { return m_own != nullptr; }
    // Moves the own station (a mobile fix) in O(1): the list order stays as
    // it is. False, moving nothing, without an own station or for a position
    // that is not a real one.
    bool moveOwnStation(double latitude, double longitude);

    // Takes in one report. Returns false when it was ignored: an empty name
    // or one holding a blank, or a position that is not a real one. A new
    // station that a full table drops as the farthest counts as taken in.
    // A report without a position (a status text) refreshes a station that
    // is there, and is kept for one not yet placed until its first position
    // comes: it never places one.
    bool apply(const StationReport &report);
    // Deletes the stations not heard for the expiry time; returns how many.
    int expire();
    // As if the wall clock said now.
    int expire(const QDateTime &now);
    // A comment or status text as kept: control characters replaced, at
    // most kTextLength characters, blanks at either end gone.
    static QString cleanText(const QString &text);
    // Deletes every station but the own one.
    void clear();
    // Deletes the stations whose newest report came from one of the
    // sources (announcing each); returns how many.
    int removeHeardBy(const QStringList &sources);

    int entryCount() const { return int(m_stations.size()); }
    // The entry at index, or the empty text outside 0..entryCount()-1.
    QString entry(int index) const;
    const Station *find(const QString &callsign) const;
    // A copy of a packet already taken in was heard direct: the station
    // counts as heard direct now, wherever its newest report came from.
    void noteHeardDirect(const QString &callsign);
    // Distance of a station from the own station in the table's unit.
    double distanceOf(const Station &station) const;
    // Bearing of a station from the own station in degrees; NaN without one.
    double bearingOf(const Station &station) const;
    // Heard direct within kDirectMinutes of now.
    bool heardDirectRecently(const Station &station) const;

    // The stations in list order, at most limit of them (when the table
    // holds more, the farthest are left out), held for reading until the
    // next call: a station deleted meanwhile stays readable there, marked
    // removed. The list is let go early, and listIntact() turns false, when
    // the table is cleared or more deletions pile up than the table holds.
    const std::vector<const Station *> &takeList(int limit);
    bool listIntact() const { return m_listIntact; }
    const std::vector<const Station *> &takenList() const { return m_taken; }

    static QString entryText(const Station &station);

signals:
    void beaconReceived(const QString &callsign, double latitude, double longitude);
    void stationDeleted(const QString &callsign);
    void cleared();
    // A station was placed elsewhere than another source had it within
    // kConflictMs; the newer position is in force.
    void positionConflict(const QString &callsign, const QString &earlierSource,
                          const QString &laterSource);

private:
    // A station that may be evicted, with how far it was when chosen.
    struct Candidate
    {
        double farness;
        QString callsign;
        quint64 serial;
    };

    void insertIntoOrder(const Station *station);
    void remove(const QString &callsign);
    // Deletes the stations (never the own one) for which gone is true.
    int removeWhere(const std::function<bool(const Station &)> &gone);
    void bury(std::unordered_map<QString, Station>::node_type node);
    void dropBuriedFromOrder() const;
    const std::vector<const Station *> &ordered() const;
    double farness(double latitude, double longitude) const;
    // Frees one place for a new station `farness` away; false when the new
    // one is the farthest and must be dropped itself.
    bool makeRoomFor(double arrivalFarness);
    void chooseCandidates();
    void noteMove(Station &station);
    // The wall and steady clocks read together; a step of the wall clock
    // since the last look moves every time kept for display with it.
    struct Instant
    {
        QDateTime wall;
        qint64 elapsed;
    };
    Instant stamp();
    void followWallClock(qint64 stepMs);
    int expireAt(qint64 elapsed);
    // Keeps what a report says beside the position: motion, texts, path,
    // packet count and the track.
    void noteHeard(Station &station, const StationReport &report, const Instant &heard);
    void noteReport(Station &station, const StationReport &report, const Instant &heard);
    void noteStatusOnly(const StationReport &report, const Instant &heard);
    // One list for equal paths: most stations come the same few ways.
    QStringList sharedPath(const QStringList &path);

    std::unordered_map<QString, Station> m_stations;
    const Station *m_own = nullptr;
    // The list order: m_ordered is sorted by callsign; stations that arrived
    // since the last read wait in m_pending and are merged in on the next
    // read, so a burst of arrivals costs one merge, not one sort each. A
    // deleted station is kept (marked) in m_buried until the next read drops
    // all of them from the order in one pass, so a flood of evictions costs
    // one pass per read, not a shift each.
    mutable std::vector<const Station *> m_ordered;
    mutable std::vector<const Station *> m_pending;
    mutable std::vector<std::unordered_map<QString, Station>::node_type> m_buried;
    // Deleted stations out of the order but still in the taken list.
    mutable std::vector<std::unordered_map<QString, Station>::node_type> m_heldForList;
    std::vector<const Station *> m_taken;
    mutable bool m_listIntact = false;
    // Eviction candidates, a max-heap by farness: the farthest batch found
    // in one pass relative to the own position at m_candidatesFrom, plus
    // every station put in or moved farther than m_candidateFloor since.
    // Taken from until it runs dry or the own position moves.
    std::vector<Candidate> m_candidates;
    bool m_haveCandidates = false;
    double m_candidateFloor = 0.0;
    double m_candidatesFromLat = 0.0;
    double m_candidatesFromLon = 0.0;
    quint64 m_nextSerial = 0;
    qint64 m_dropped = 0;
    qint64 m_conflicts = 0;
    int m_capacity = kDefaultCapacity;
    struct Waiting
    {
        QString status;
        qint64 heardMs;
    };
    QHash<QString, Waiting> m_waitingStatus;
    static constexpr int kMostSharedPaths = 8192;
    QSet<QStringList> m_paths;
    QSet<QString> m_pathElements;
    Clock m_clock;
    ElapsedClock m_elapsed;
    QElapsedTimer m_steady;
    qint64 m_wallOffsetMs = 0; // wall minus steady, at the last look
    bool m_looked = false;
    DistanceUnit m_unit = DistanceUnit::Kilometres;
    int m_expiryMinutes = 1440;
};

} // namespace nearbell
