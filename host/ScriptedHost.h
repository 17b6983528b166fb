#pragma once

#include <QHash>
#include <QSet>
#include <QStringList>

#include <functional>

#include "host/HostApplication.h"
#include "host/HostStation.h"

namespace nearbell {

// A host whose answers a test writes beforehand.
//
// Responsibilities:
//  - list the entry texts it was given; StationCount is their number
//    (at most 32767) unless a count is set explicitly;
//  - answer GetStation from per-callsign distance and position;
//  - fail on request with HostError: StationCount, StationListEntry at an
//    index, GetStation for a callsign or on its n-th call, SetAttachOption,
//    or every call once the host has "vanished";
//  - count every call and remember the callsigns looked up;
//  - raise each of the five events on request.
class ScriptedHost : public HostApplication
{
    Q_OBJECT
public:
    struct Station
    {
        float distance = 0.0f;
        float latitude = 0.0f;
        float longitude = 0.0f;
        HostStation::Details details;
    };

    using HostApplication::HostApplication;

    bool GetStation(HostStation &station) override;
    qint16 StationCount() override;
    QString StationListEntry(qint16 &index) override;
    void SetAttachOption(qint32 &value) override;

    // Entries and stations.
    void setEntries(const QStringList &entries) { m_entries = entries; }
    void appendEntry(const QString &entry) { m_entries.append(entry); }
    QStringList entries() const { return m_entries; }
    void setStation(const QString &callsign, float distance, float latitude = 0.0f,
                    float longitude = 0.0f);
    void removeStation(const QString &callsign) { m_stations.remove(callsign); }
    // What GetStation tells beside position and distance (a station set first).
    void setDetails(const QString &callsign, const HostStation::Details &details)
    {
        m_stations[callsign].details = details;
    }
    // Reports this count instead of the number of entries (-1: no override).
    void setCountOverride(int count) { m_countOverride = count; }

    // Failures.
    void failStationCount(bool fail) { m_failCount = fail; }
    void failEntryAt(int index) { m_failEntryIndexes.insert(index); }
    void failGetStationFor(const QString &callsign) { m_failCallsigns.insert(callsign); }
    // The n-th call of GetStation (0 for the first) throws.
    void failGetStationOnCall(int callNumber) { m_failGetStationCalls.insert(callNumber); }
    void failSetAttachOption(bool fail) { m_failAttach = fail; }
    void vanish() { m_vanished = true; }
    void reappear() { m_vanished = false; }
    void clearFailures();

    // Runs inside StationListEntry before it answers: a test can change
    // things "while the program is in the middle of a scan".
    void setEntryHook(std::function<void(int index)> hook) { m_entryHook = std::move(hook); }

    // Call counts and what was asked.
    int getStationCalls() const { return m_getStationCalls; }
    int stationCountCalls() const { return m_stationCountCalls; }
    int entryCalls() const { return m_entryCalls; }
    int attachCalls() const { return m_attachCalls; }
    qint32 lastAttachOption() const { return m_lastAttachOption; }
    QStringList lookedUp() const { return m_lookedUp; }
    QList<int> entryIndexesRead() const { return m_entryIndexes; }
    void resetCounts();
    // Long runs (benchmarks) can stop keeping the callsigns and indexes.
    void setRecordCalls(bool record) { m_record = record; }

    // The five events.
    void raiseDataAvailable() { emit DataAvailable(); }
    void raiseNotifyBeacon(const QString &callsign, float latitude, float longitude)
    {
        emit NotifyBeacon(callsign, latitude, longitude);
    }
    void raiseNotifyDelete(const QString &callsign) { emit NotifyDelete(callsign); }
    void raiseNotifyDeleteAllStations() { emit NotifyDeleteAllStations(); }
    void raiseClosing() { emit UIView32IsClosing(); }

private:
    void throwIfVanished(const char *call) const;

    QStringList m_entries;
    QHash<QString, Station> m_stations;
    int m_countOverride = -1;

    bool m_failCount = false;
    bool m_failAttach = false;
    bool m_vanished = false;
    bool m_record = true;
    QSet<int> m_failEntryIndexes;
    QSet<QString> m_failCallsigns;
    QSet<int> m_failGetStationCalls;
    std::function<void(int)> m_entryHook;

    int m_getStationCalls = 0;
    int m_stationCountCalls = 0;
    int m_entryCalls = 0;
    int m_attachCalls = 0;
    qint32 m_lastAttachOption = 0;
    QStringList m_lookedUp;
    QList<int> m_entryIndexes;
};

} // namespace nearbell
