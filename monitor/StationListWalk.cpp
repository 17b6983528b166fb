#include "monitor/StationListWalk.h"

#include "host/HostApplication.h"

namespace nearbell {

bool StationListWalk::run(const QPointer<HostApplication> &host, ScanPacer &pacer,
                          const Examine &examine, const StillAlive &alive)
{
    if (!host)
        return false;
    const int count = host->StationCount();
    for (int i = 0; i < count; ++i) {
        if (!host)
            return false; // the host went away during a yield
        qint16 index = qint16(i);
        const QString entry = host->StationListEntry(index);
        if (entry.isEmpty())
            break;
        examine(*host, entry);
        // Only a yield lets anything else run, so only then can the scan's
        // objects have gone.
        if (pacer.worked() && !alive())
            return false;
    }
    return true;
}

} // namespace nearbell
