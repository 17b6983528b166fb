#pragma once

#include "monitor/ScanState.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QTimer;

namespace nearbell {

class SoundPlayer;
class StationScan;
class WatchList;
class WindowRaiser;
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

    void Timer1_Timer();

    bool isRunning() const { return m_running; }
    int skippedTicks() const { return m_skipped; }
    // Cycles left behind, held by a window's own loop.
    int supersededCycles() const { return m_superseded; }

signals:
    // A cycle ran to its end; alarm: whether a station raised the alarm.
    void cycleFinished(bool alarm);

private:
    QPointer<StationScan> m_stations;
    QPointer<WatchList> m_watch;
    ScanState &m_state;
    const OptionFlags &m_options;
    const ProgramGlobals &m_globals;
    SoundPlayer &m_sound;
    WindowRaiser &m_raiser;
    std::function<void()> m_scanOverlays;
    std::function<void()> m_afterStationScans;
    YieldFunction m_yield = processEventsYield();
    bool m_running = false;
    int m_loopLevel = 0; // event-loop depth at which the running cycle began
    int m_skipped = 0;
    int m_superseded = 0;
};

} // namespace nearbell
