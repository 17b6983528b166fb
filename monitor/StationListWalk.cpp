#include "monitor/StationListWalk.h"

#include "host/HostApplication.h"

namespace nearbell {

bool StationListWalk::run(const QPointer<HostApplication> &host, const YieldFunction &yield,
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
        yield();
        if (!alive())
            return false;
    }
    return true;
}

} // namespace nearbell
