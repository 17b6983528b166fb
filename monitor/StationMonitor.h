#pragma once

#include "monitor/AckList.h"
#include "monitor/AckTimes.h"
#include "monitor/ExtraCycle.h"
#include "monitor/LeaveRearm.h"
#include "monitor/ListTextIndex.h"
#include "monitor/CycleSnapshot.h"
#include "monitor/MonitorControls.h"
#include "monitor/ScanCycle.h"
#include "monitor/ScanState.h"
#include "monitor/StationScan.h"
#include "monitor/WatchList.h"

#include <QObject>
#include <QPointer>

#include <optional>

namespace nearbell {

class HostApplication;
class HostStation;
class MessageDisplay;
class SoundPlayer;
class WindowRaiser;
struct AlertFlags;
struct OptionFlags;
struct ProgramGlobals;

// Station monitoring put together for the main window: the per-cycle state,
// the station scan, the watch list, acknowledgement with the list file and
// the scan cycle, sharing one host link and one yield.
//
// Responsibilities:
//  - build the four parts on the window's controls and connect the buttons
//    and both timers;
//  - hand the host (attached late in start-up) and the yield to every part;
//  - name the list file after the program (folder/executable.LST);
//  - give the rest of the program the lines of lstStations and the
//    stations of the last cycle, and select the line of a callsign;
//  - the [ALERTS] behaviours that span the parts: acknowledgements that end
//    (after an hour, kept in folder/executable.ACKTIME, or after so long
//    out of the range), the kept watch list (folder/executable.WATCH,
//    saved at every change while KEEP_WATCH is on), and an extra cycle for
//    a report that would alarm (AT_ONCE), all timed on one steady clock.
class StationMonitor : public QObject
{
    Q_OBJECT
public:
    StationMonitor(const MonitorControls &controls, HostStation &objStation,
                   const ProgramGlobals &globals, const OptionFlags &options,
                   MessageDisplay &messages, SoundPlayer &sound, WindowRaiser &raiser,
                   QObject *parent = nullptr);

    void setHost(HostApplication *gUIV);
    void setYield(const YieldFunction &yield,
                  std::chrono::nanoseconds budget = ScanPacer::defaultBudget);
    void setOverlayScan(std::function<void()> scanOverlays);

    // The list file is program folder + "/" + executable name + ".LST"
    // unless ackList().setListFile() named another.
    bool load_acked_list();
    bool save_acked_list();
    static QString listFilePath(const ProgramGlobals &globals);

    // The lines of lstStations as they stand; after cycle().cycleFinished,
    // what that cycle listed.
    QStringList stationLines();
    // Selects the first line of lstStations for this callsign (exact, case
    // and all), as if the user had chosen it; false when none is listed.
    bool selectStation(const QString &callsign);

    // [ALERTS]; none: every option off.
    void setAlertFlags(const AlertFlags *flags);
    void setOwnMotion(std::function<Motion()> ownMotion);
    void setUnit(std::function<DistanceUnit()> unit);
    // Milliseconds that never go back, and the wall clock (UTC) that names
    // the ends of acknowledgements.
    void setClocks(AckTimes::SteadyClock steady, AckTimes::WallClock wall);
    // Hears the outcome of every save of the end times and the watch list.
    void setWriteOutcome(std::function<void(const QString &path, bool ok)> outcome)
    {
        m_writeOutcome = std::move(outcome);
    }

    static QString ackTimesPath(const ProgramGlobals &globals);
    static QString watchFilePath(const ProgramGlobals &globals);
    // Loads the kept watch list into lstWatch (KEEP_WATCH on only).
    bool loadKeptWatchList();
    // Saves lstWatch whole while KEEP_WATCH is on; true when saved.
    bool saveKeptWatchList();
    // What loading the files found wrong and how it was read, one text each.
    const QStringList &readings() const { return m_readings; }

    // Takes every entry of this callsign out of lstAcked, with its end.
    void rearm(const QString &callsign);
    // When the acknowledgement of this callsign ends (UTC); none: lasting.
    std::optional<QDateTime> acknowledgedUntil(const QString &callsign) const
    {
        return m_ackTimes.endsAt(callsign);
    }
    AckTimes &ackTimes() { return m_ackTimes; }
    ExtraCycle &extraCycle() { return m_extra; }

    ScanState &state() { return m_state; }
    StationScan &stationScan() { return m_stationScan; }
    WatchList &watchList() { return m_watchList; }
    AckList &ackList() { return m_ackList; }
    ScanCycle &cycle() { return m_cycle; }
    // The stations of the last complete cycle.
    const CycleSnapshot &seen() const { return m_seen; }
    // Selects the line of this callsign in lstStations, else its entry in
    // lstAcked; false when neither list holds it.
    bool selectListedOrAcked(const QString &callsign);

private:
    void nameListFile();
    void atCycleStart();
    void afterScans(bool scanned);
    void onBeacon(const QString &callsign);
    void tellWrite(const QString &path, bool ok);

    const ProgramGlobals &m_globals;
    QPointer<ListBox> m_lstStations;
    QPointer<ListBox> m_lstAcked;
    QPointer<ListBox> m_lstWatch;
    ListTextIndex m_watchedIndex; // for the reports that may run a cycle at once
    ListTextIndex m_ackedIndex;
    const OptionFlags &m_options;
    CycleSnapshot m_seen;
    ScanState m_state;
    StationScan m_stationScan;
    WatchList m_watchList;
    AckList m_ackList;
    ScanCycle m_cycle;
    const AlertFlags *m_flags = nullptr;
    AckTimes::SteadyClock m_steady;
    AckTimes m_ackTimes;
    LeaveRearm m_leave;
    ExtraCycle m_extra;
    QPointer<HostApplication> m_host;
    std::function<void(const QString &, bool)> m_writeOutcome;
    QStringList m_readings;
};

} // namespace nearbell
