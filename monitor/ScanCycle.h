#pragma once

#include "monitor/ScanState.h"

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class QTimer;

namespace nearbell {

class SoundPlayer;
class StationScan;
class WatchList;
class WindowRaiser;
struct AlertFlags;
struct OptionFlags;
struct ProgramGlobals;

// One scan cycle on every tick of Timer1.
//
// Responsibilities:
//  - clear blnAlarm and start collecting the stations seen; when station
//    scanning is on, run the station scan and
//    then the watch-list scan; publish the stations seen; when overlay
//    scanning is on, run the overlay
//    scan; then, if a station alarmed, play the siren (when the audible
//    alarm is on) and bring the window forward (when that option is on);
//  - the siren is the sound of the cycle's most urgent reason (SirenPath);
//    with SIREN_NEW_ONLY on it sounds only in a cycle that listed a line
//    (callsign and reason) the cycle before did not;
//  - run at most one cycle at a time: a tick that falls due while a cycle
//    is still yielding to the event loop is skipped, not queued; but a
//    cycle held by a window's own loop (a dialog or box opened during one
//    of its yields) is left behind, and the tick starts a new one, so the
//    alarm goes on behind any window;
//  - announce the end of every cycle (cycleFinished).
class ScanCycle : public QObject
{
    Q_OBJECT
public:
    // Connects Timer1. The options are read at each step of every cycle.
    ScanCycle(QTimer *timer1, StationScan &stations, WatchList &watch, ScanState &state,
              const OptionFlags &options, const ProgramGlobals &globals, SoundPlayer &sound,
              WindowRaiser &raiser, QObject *parent = nullptr);

    void setOverlayScan(std::function<void()> scanOverlays) { m_scanOverlays = std::move(scanOverlays); }
    void setYield(YieldFunction yield) { m_yield = std::move(yield); }
    // Runs in every cycle once the station and watch scans are done (or
    // skipped), before the overlay scan and the siren.
    void setAfterStationScans(std::function<void()> hook) { m_afterStationScans = std::move(hook); }

    // SIREN_NEW_ONLY and the rest of [ALERTS]; none: every option off.
    void setAlertFlags(const AlertFlags *flags) { m_flags = flags; }
    // The lines of lstStations, to tell new ones from those of the cycle before.
    void setStationLines(std::function<QStringList()> lines) { m_lines = std::move(lines); }
    // The monitor's own work: before the scans, and after them (scanned:
    // whether the station scans ran).
    void setMonitorHooks(std::function<void()> atStart, std::function<void(bool scanned)> afterScans)
    {
        m_atStart = std::move(atStart);
        m_afterScans = std::move(afterScans);
    }

    void Timer1_Timer();

    bool isRunning() const { return m_running; }
    // The lines of the last cycle, each without its distance (lineKey).
    const QSet<QString> &lastKeys() const { return m_lastKeys; }
    int skippedTicks() const { return m_skipped; }
    // Cycles left behind, held by a window's own loop.
    int supersededCycles() const { return m_superseded; }

signals:
    // A cycle ran to its end; alarm: whether a station raised the alarm.
    void cycleFinished(bool alarm);

private:
    // Whether this cycle listed a line the one before did not.
    bool listedSomethingNew();

    QPointer<StationScan> m_stations;
    QPointer<WatchList> m_watch;
    ScanState &m_state;
    const OptionFlags &m_options;
    const ProgramGlobals &m_globals;
    SoundPlayer &m_sound;
    WindowRaiser &m_raiser;
    std::function<void()> m_scanOverlays;
    std::function<void()> m_afterStationScans;
    std::function<void()> m_atStart;
    std::function<void(bool)> m_afterScans;
    std::function<QStringList()> m_lines;
    const AlertFlags *m_flags = nullptr;
    QSet<QString> m_lastKeys; // the line keys of the cycle before
    YieldFunction m_yield = processEventsYield();
    bool m_running = false;
    int m_loopLevel = 0; // event-loop depth at which the running cycle began
    int m_skipped = 0;
    int m_superseded = 0;
};

} // namespace nearbell
