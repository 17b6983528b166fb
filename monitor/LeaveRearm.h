#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace nearbell {

// Which acknowledged stations have been away long enough to be re-armed.
//
// Responsibilities:
//  - after each cycle that scanned, note for every acknowledged callsign
//    when it was last near (inside the range or on the watch list); one
//    first seen acknowledged counts as near then;
//  - name those away for at least the given minutes, on a steady clock;
//    0 minutes names none and forgets what was noted, so that switching the
//    rule on starts every count afresh.
class LeaveRearm
{
public:
    using SteadyClock = std::function<qint64()>; // milliseconds

    explicit LeaveRearm(SteadyClock clock) : m_clock(std::move(clock)) {}

    QStringList cycle(const QStringList &acked, const QSet<QString> &near, int minutes);

private:
    SteadyClock m_clock;
    QHash<QString, qint64> m_lastNear;
};

} // namespace nearbell
