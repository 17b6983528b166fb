#pragma once

#include "host/HostApplication.h"
#include "monitor/ListTextIndex.h"
#include "monitor/MonitorControls.h"
#include "monitor/ScanPacer.h"

#include <QObject>
#include <QPointer>

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
//  - raise blnAlarm for each, keep the smallest distance in dblMinDist and
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

    void scan_stations();

private:
    bool controlsAlive() const;
    void examine(HostApplication &host, const QString &entry);

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
};

} // namespace nearbell
