#pragma once

#include "monitor/AckList.h"
#include "monitor/CycleSnapshot.h"
#include "monitor/MonitorControls.h"
#include "monitor/ScanCycle.h"
#include "monitor/ScanState.h"
#include "monitor/StationScan.h"
#include "monitor/WatchList.h"

#include <QObject>

namespace nearbell {

class HostApplication;
class HostStation;
class MessageDisplay;
class SoundPlayer;
class WindowRaiser;
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
//    stations of the last cycle, and select the line of a callsign.
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

    const ProgramGlobals &m_globals;
    QPointer<ListBox> m_lstStations;
    QPointer<ListBox> m_lstAcked;
    CycleSnapshot m_seen;
    ScanState m_state;
    StationScan m_stationScan;
    WatchList m_watchList;
    AckList m_ackList;
    ScanCycle m_cycle;
};

} // namespace nearbell
