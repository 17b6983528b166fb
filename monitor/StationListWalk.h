#pragma once

#include <QPointer>
#include <QString>

#include <functional>

#include "monitor/ScanPacer.h"

namespace nearbell {

class HostApplication;

// The walk both station scans make through the host's station list.
//
// Responsibilities:
//  - read StationCount once, then the entries from index 0 on, stopping at
//    the first empty entry;
//  - hand each entry to the scan, and let the pacer yield to the event
//    loop when the work since the last yield has used up its budget;
//  - stop when the host or the scan's own objects went away during a yield.
// A failing host call (HostError) reaches the caller, which ends quietly.
class StationListWalk
{
public:
    using Examine = std::function<void(HostApplication &host, const QString &entry)>;
    using StillAlive = std::function<bool()>;

    // True when the walk reached its end (an empty entry or the last index).
    static bool run(const QPointer<HostApplication> &host, ScanPacer &pacer,
                    const Examine &examine, const StillAlive &alive);
};

} // namespace nearbell
