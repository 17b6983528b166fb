#pragma once

#include <QHash>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "host/GreatCircle.h"
#include "host/HostStation.h"
#include "monitor/ClosestApproach.h"
#include "monitor/ScanPacer.h"
#include "ui/StationRow.h"

namespace nearbell {

class HostApplication;
class ListBox;
struct ProgramGlobals;

// The rows of the Stations window and the details windows, read from the
// host.
//
// Responsibilities:
//  - walk the host's station list (yielding by time, as the scans do) and
//    look every station up, the own station first;
//  - work out what the host does not say: the distance and bearing only
//    while the own position is known, the closing speed from the station's
//    motion and the own one (standing still when the position source knows
//    none), the state from the main window's lists (acknowledged before in
//    range before watched);
//  - a walk the host breaks off or fails gives no rows at all, so a view
//    keeps the last complete set.
class StationRowCollector
{
public:
    enum class LookUp { Found, Gone, Failed };

    explicit StationRowCollector(const ProgramGlobals &globals);

    void setHost(HostApplication *host) { m_host = host; }
    void setLists(ListBox *lstStations, ListBox *lstAcked, ListBox *lstWatch);
    // When an acknowledgement for a while ends; none for a lasting one.
    using AckEnd = std::function<std::optional<QDateTime>(const QString &callsign)>;
    void setAcknowledgedUntil(AckEnd end) { m_acknowledgedUntil = std::move(end); }
    DistanceUnit unit() const;

    // alive: false once the collector's owner went away during a yield.
    std::optional<std::vector<StationRow>> collect(const YieldFunction &yield, const std::function<bool()> &alive,
                                                   std::chrono::nanoseconds budget = ScanPacer::defaultBudget);
    // One station afresh, with everything the host knows of it.
    LookUp lookUp(const QString &callsign, StationRow &row, HostStation::Details &details);

private:
    // The own position and motion and the lists' states, once per walk.
    void prepare(HostApplication &host);
    StationRow rowFor(const QString &callsign, const HostStation &record) const;

    const ProgramGlobals &m_globals;
    QPointer<HostApplication> m_host;
    QPointer<ListBox> m_lstStations;
    QPointer<ListBox> m_lstAcked;
    QPointer<ListBox> m_lstWatch;
    QHash<QString, StationState> m_states;
    AckEnd m_acknowledgedUntil;
    bool m_ownKnown = false;
    double m_ownLatitude = 0.0;
    double m_ownLongitude = 0.0;
    Motion m_ownMotion = Motion::standing();
    HostStation m_record;
};

} // namespace nearbell
