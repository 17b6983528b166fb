#pragma once

#include "monitor/AlarmReason.h"
#include "monitor/ClosestApproach.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QString>

#include <functional>

namespace nearbell {

class CycleSnapshot;

// What the station scan and the watch-list scan of one cycle share: the
// alarm flag the cycle tests at its end, the smallest distance listed, and
// where the stations they saw are collected (none: not collected).
struct ScanState
{
    bool blnAlarm = false;
    double dblMinDist = 99999.0;
    CycleSnapshot *seen = nullptr;
    // The number of the cycle in progress. A scan whose cycle is no longer
    // the one in progress stops where it stands: a newer cycle has done its
    // work while it was held.
    quint64 cycle = 0;
    // The most urgent reason a line raised the alarm for, and the closest
    // approach of every station listed as approaching.
    AlarmReason reason = AlarmReason::None;
    QHash<QString, Approach> approaches;
    // Acknowledged stations the station scan found inside the range.
    QSet<QString> ackedInRange;

    void raise(AlarmReason why)
    {
        blnAlarm = true;
        reason = moreUrgent(reason, why);
    }
};

// Lets the window process pending events in the middle of a scan. Tests and
// the benchmark put their own function here to see every yield.
using YieldFunction = std::function<void()>;

inline YieldFunction processEventsYield()
{
    return [] { QCoreApplication::processEvents(); };
}

} // namespace nearbell
