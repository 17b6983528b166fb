#pragma once

#include <QString>

namespace nearbell {

// Delays between reconnection attempts.
//
// Responsibilities:
//  - start at the first delay and double after each failure, never beyond
//    the limit (1 s up to 60 s by default);
//  - start again from the first delay once a connection proved alive;
//  - word the waits the same way for every source ("next attempt in 8 s").
class ReconnectBackoff
{
public:
    explicit ReconnectBackoff(int firstMs = 1000, int limitMs = 60000);

    // The delay before the next attempt; each call doubles the one after.
    int nextDelayMs();
    void reset();

    // "12 s", "5 min", "2 h 5 min": how long ago or how long until.
    static QString durationText(qint64 ms);
    // The wait until an attempt due in remainingMs, rounded up so the
    // count-down never shows 0 s: an attempt that is due but not yet made
    // (a busy moment) still reads "1 s".
    static QString countdownText(qint64 remainingMs);

private:
    int m_firstMs;
    int m_limitMs;
    int m_nextMs;
};

} // namespace nearbell
