#pragma once

#include "host/GreatCircle.h"
#include "host/HostApplication.h"
#include "monitor/AlarmReason.h"
#include "monitor/ClosestApproach.h"
#include "monitor/ListTextIndex.h"
#include "monitor/MonitorControls.h"
#include "monitor/ScanPacer.h"

#include <QObject>
#include <QPointer>

#include <optional>

class QLabel;
class QLineEdit;

namespace nearbell {

class HostStation;
struct AlertFlags;
struct ProgramGlobals;

// The station scan: rebuilds lstStations from the host's station list.
//
// Responsibilities:
//  - list every station strictly inside the alarm range (the leading number
//    of txtRadius, read afresh per station) that is neither the own station
//    nor acknowledged, as "callsign distance d", unless the alert flags
//    leave its kind out;
//  - with the alert flags' DIRECT on, list a station heard direct recently
//    that is outside the range as "callsign (direct) d";
//  - with APPROACH on, list a station outside the range whose predicted
//    closest approach lies inside it within the warning time (ApproachRule)
//    as "callsign (approaching) d", measured from the own station's place
//    in the host's list; without that place nothing is predicted;
//  - raise blnAlarm for each, note its reason, keep the smallest distance in dblMinDist and
//    set lblMinDist from them at the end;
//  - yield to the event loop by time during the walk (ScanPacer) and once
//    after it;
//  - end silently at the first failing host call or when the host is gone,
//    keeping what was listed; skip a malformed entry and go on;
class StationScan : public QObject
{
    Q_OBJECT
public:
    StationScan(const MonitorControls &controls, ScanState &state, HostStation &objStation,
                const ProgramGlobals &globals, QObject *parent = nullptr);

    void setHost(HostApplication *gUIV) { m_host = gUIV; }
    // budget: the work between two yields (zero: a yield after every station).
    void setYield(YieldFunction yield, std::chrono::nanoseconds budget = ScanPacer::defaultBudget)
    {
        m_yield = std::move(yield);
        m_yieldBudget = budget;
    }
    // Heard-direct alarms and kinds left out; none: range alone counts.
    void setAlertFlags(const AlertFlags *flags) { m_flags = flags; }

    // The own course and speed for predictions (none: standing still), and
    // the unit the host's distances and the range are in.
    void setOwnMotion(std::function<Motion()> ownMotion) { m_ownMotion = std::move(ownMotion); }
    void setUnit(std::function<DistanceUnit()> unit) { m_unit = std::move(unit); }

    void scan_stations();

    // What this scan would list the station for now, from a record of its
    // own (None: nothing, or the host does not know it). Host failures
    // reach the caller.
    AlarmReason reasonFor(const QString &callsign);

private:
    bool controlsAlive() const;
    void examine(HostApplication &host, const QString &entry);
    void findOwnPlace(HostApplication *host);
    std::optional<Approach> approachOf(const HostStation &record, double range) const;
    bool leftOut(const HostStation &record) const;

    QPointer<ListBox> m_lstStations;
    QPointer<ListBox> m_lstAcked;
    QPointer<QLineEdit> m_txtRadius;
    QPointer<QLabel> m_lblMinDist;
    ListTextIndex m_acked;
    ScanState &m_state;
    HostStation &m_station;
    const ProgramGlobals &m_globals;
    QPointer<HostApplication> m_host;
    YieldFunction m_yield = processEventsYield();
    std::chrono::nanoseconds m_yieldBudget = ScanPacer::defaultBudget;
    const AlertFlags *m_flags = nullptr;
    std::function<Motion()> m_ownMotion;
    std::function<DistanceUnit()> m_unit;
    // Where the own station is, for this scan's predictions.
    std::optional<std::pair<double, double>> m_ownPlace;
    Motion m_own = Motion::standing();
};

} // namespace nearbell
