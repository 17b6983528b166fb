#include "monitor/ScanCycle.h"

#include "monitor/AlertFlags.h"
#include "monitor/CycleSnapshot.h"
#include "monitor/ScanText.h"
#include "monitor/OptionFlags.h"
#include "platform/ProgramGlobals.h"
#include "monitor/SirenPath.h"
#include "monitor/StationScan.h"
#include "monitor/WatchList.h"
#include "platform/SoundPlayer.h"
#include "platform/WindowRaiser.h"

#include <QThread>
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
    const int loopLevel = QThread::currentThread()->loopLevel();
    if (m_running && loopLevel <= m_loopLevel) {
        ++m_skipped;
        return;
    }
    // Still running under a window's own loop (a dialog or box opened
    // during a yield): that cycle is held until the window closes, so this
    // one takes over and the held one stops when it resumes.
    if (m_running)
        ++m_superseded;
    m_running = true;
    m_loopLevel = loopLevel;
    const quint64 mine = ++m_state.cycle;
    const QPointer<ScanCycle> self(this);
    const auto current = [&self, mine] { return self && self->m_state.cycle == mine; };
    // Clears the running mark however the cycle ends, unless this object
    // itself went away during a yield or a newer cycle took over.
    struct Done
    {
        const QPointer<ScanCycle> &cycle;
        quint64 number;
        ~Done()
        {
            if (cycle && cycle->m_state.cycle == number)
                cycle->m_running = false;
        }
    } done{self, mine};

    if (m_atStart) {
        m_atStart();
        if (!self)
            return;
    }
    m_state.blnAlarm = false;
    m_state.reason = AlarmReason::None;
    m_state.approaches.clear();
    m_state.ackedInRange.clear();
    if (m_state.seen)
        m_state.seen->begin();

    if (m_options.gblnScanStations) {
        if (m_stations)
            m_stations->scan_stations();
        if (!current())
            return;
        if (m_watch)
            m_watch->scan_watchlist();
        if (!current())
            return;
    }

    if (m_state.seen)
        m_state.seen->publish();
    const bool somethingNew = listedSomethingNew();
    if (m_afterScans) {
        m_afterScans(m_options.gblnScanStations);
        if (!self)
            return;
    }

    if (m_afterStationScans) {
        m_afterStationScans();
        if (!current())
            return;
    }

    // The overlay scan lists objects but never touches blnAlarm.
    if (m_options.gblnScanOverlays && m_scanOverlays) {
        m_scanOverlays();
        if (!current())
            return;
    }

    if (m_state.blnAlarm) {
        const bool newOnly = m_flags && m_flags->sirenNewOnly;
        if (m_options.gblnAudibleAlarm && (somethingNew || !newOnly)) {
            m_sound.play(sirenPath(m_globals.programFolder, m_globals.dataFolder, m_state.reason));
            m_yield();
            if (!current())
                return;
        }
        if (m_options.gblnBringToFront)
            m_raiser.bringToFront();
    }
    emit cycleFinished(m_state.blnAlarm);
}

bool ScanCycle::listedSomethingNew()
{
    QSet<QString> keys;
    if (m_lines && m_options.gblnScanStations) {
        for (const QString &line : m_lines())
            keys.insert(lineKey(line));
    }
    bool added = false;
    for (const QString &key : std::as_const(keys))
        added = added || !m_lastKeys.contains(key);
    m_lastKeys = std::move(keys);
    return added;
}

} // namespace nearbell
