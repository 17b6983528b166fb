#include "monitor/LeaveRearm.h"

namespace nearbell {

QStringList LeaveRearm::cycle(const QStringList &acked, const QSet<QString> &near, int minutes)
{
    if (minutes <= 0) {
        m_lastNear.clear();
        return {};
    }
    const qint64 now = m_clock();
    const qint64 away = qint64(minutes) * 60 * 1000;
    QHash<QString, qint64> kept;
    QStringList due;
    for (const QString &callsign : acked) {
        if (kept.contains(callsign))
            continue;
        const auto it = m_lastNear.constFind(callsign);
        const qint64 last = near.contains(callsign) || it == m_lastNear.cend() ? now : *it;
        if (now - last >= away)
            due.append(callsign);
        else
            kept.insert(callsign, last);
    }
    m_lastNear = std::move(kept);
    return due;
}

} // namespace nearbell
