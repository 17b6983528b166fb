#include "monitor/ScanCycle.h"

#include "monitor/CycleSnapshot.h"
#include "monitor/OptionFlags.h"
#include "platform/ProgramGlobals.h"
#include "monitor/SirenPath.h"
#include "monitor/StationScan.h"
#include "monitor/WatchList.h"
#include "platform/SoundPlayer.h"
#include "platform/WindowRaiser.h"

#include <QTimer>

namespace nearbell {

ScanCycle::ScanCycle(QTimer *timer1, StationScan &stations, WatchList &watch, ScanState &state,
                     const OptionFlags &options, const ProgramGlobals &globals, SoundPlayer &sound,
                     WindowRaiser &raiser, QObject *parent)
    : QObject(parent),
      m_stations(&stations),
      m_watch(&watch),
      m_state(state),
      m_options(options),
      m_globals(globals),
      m_sound(sound),
      m_raiser(raiser)
{
    if (timer1)
        connect(timer1, &QTimer::timeout, this, &ScanCycle::Timer1_Timer);
}

void ScanCycle::Timer1_Timer()
{
    if (m_running) {
        ++m_skipped;
        return;
    }
    m_running = true;
    const QPointer<ScanCycle> self(this);
    // Clears the running mark however the cycle ends, unless this object
    // itself went away during a yield.
    struct Done
    {
        const QPointer<ScanCycle> &cycle;
        ~Done()
        {
            if (cycle)
                cycle->m_running = false;
        }
    } done{self};

    m_state.blnAlarm = false;
    if (m_state.seen)
        m_state.seen->begin();

    if (m_options.gblnScanStations) {
        if (m_stations)
            m_stations->scan_stations();
        if (!self)
            return;
        if (m_watch)
            m_watch->scan_watchlist();
        if (!self)
            return;
    }

    if (m_state.seen)
        m_state.seen->publish();

    if (m_afterStationScans) {
        m_afterStationScans();
        if (!self)
            return;
    }

    // The overlay scan lists objects but never touches blnAlarm.
    if (m_options.gblnScanOverlays && m_scanOverlays) {
        m_scanOverlays();
        if (!self)
            return;
    }

    if (m_state.blnAlarm) {
        if (m_options.gblnAudibleAlarm) {
            m_sound.play(sirenPath(m_globals.programFolder, m_globals.dataFolder));
            m_yield();
            if (!self)
                return;
        }
        if (m_options.gblnBringToFront)
            m_raiser.bringToFront();
    }
    emit cycleFinished(m_state.blnAlarm);
}

} // namespace nearbell
