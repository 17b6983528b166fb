#include "host/ScriptedHost.h"

#include <algorithm>
#include <limits>
#include <string>

#include "host/HostError.h"

namespace nearbell {

void ScriptedHost::throwIfVanished(const char *call) const
{
    if (m_vanished)
        throw HostError(std::string(call) + ": the host has gone away");
}

bool ScriptedHost::GetStation(HostStation &station)
{
    const int callNumber = m_getStationCalls++;
    const QString callsign = station.callsign();
    if (m_record)
        m_lookedUp.append(callsign);
    throwIfVanished("GetStation");
    if (m_failGetStationCalls.contains(callNumber) || m_failCallsigns.contains(callsign))
        throw HostError("GetStation failed for " + callsign.toStdString());
    const auto it = m_stations.constFind(callsign);
    if (it == m_stations.constEnd())
        return false;
    station.fill(it->latitude, it->longitude, it->distance, it->details);
    return true;
}

qint16 ScriptedHost::StationCount()
{
    ++m_stationCountCalls;
    throwIfVanished("StationCount");
    if (m_failCount)
        throw HostError("StationCount failed");
    if (m_countOverride >= 0)
        return qint16(std::min(m_countOverride, int(std::numeric_limits<qint16>::max())));
    return qint16(std::min(int(m_entries.size()), int(std::numeric_limits<qint16>::max())));
}

QString ScriptedHost::StationListEntry(qint16 &index)
{
    ++m_entryCalls;
    if (m_record)
        m_entryIndexes.append(index);
    throwIfVanished("StationListEntry");
    if (m_failEntryIndexes.contains(index))
        throw HostError("StationListEntry failed at index " + std::to_string(index));
    if (m_entryHook)
        m_entryHook(index);
    if (index < 0 || index >= m_entries.size())
        return QString();
    return m_entries.at(index);
}

void ScriptedHost::SetAttachOption(qint32 &value)
{
    ++m_attachCalls;
    throwIfVanished("SetAttachOption");
    if (m_failAttach)
        throw HostError("SetAttachOption failed");
    m_lastAttachOption = value;
}

void ScriptedHost::setStation(const QString &callsign, float distance, float latitude,
                              float longitude)
{
    m_stations.insert(callsign, Station{distance, latitude, longitude, {}});
}

void ScriptedHost::clearFailures()
{
    m_failCount = false;
    m_failAttach = false;
    m_vanished = false;
    m_failEntryIndexes.clear();
    m_failCallsigns.clear();
    m_failGetStationCalls.clear();
}

void ScriptedHost::resetCounts()
{
    m_getStationCalls = 0;
    m_stationCountCalls = 0;
    m_entryCalls = 0;
    m_attachCalls = 0;
    m_lookedUp.clear();
    m_entryIndexes.clear();
}

} // namespace nearbell
