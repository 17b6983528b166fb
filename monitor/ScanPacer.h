#pragma once

#include "monitor/ScanState.h"

#include <QElapsedTimer>

#include <chrono>

namespace nearbell {

// When a scan hands the event loop its turn.
//
// Responsibilities:
//  - after each station, yield once the work since the last yield has
//    reached the budget (1 ms unless told otherwise; zero yields after
//    every station), so the window answers within a few milliseconds while
//    a large host costs a handful of yields instead of one per station;
//  - at the end of a scan, yield when work is still owed, or always;
//  - start the clock afresh after every yield: a yield that takes long (a
//    repaint) is not work.
class ScanPacer
{
public:
    static constexpr std::chrono::nanoseconds defaultBudget = std::chrono::milliseconds(1);

    // Keeps its own copy of yield: the scan that made it may go away
    // during a yield.
    ScanPacer(YieldFunction yield, std::chrono::nanoseconds budget);

    // One station done; true when it yielded.
    bool worked();
    // Yields when there was work since the last yield; true when it did.
    bool finish();
    void yieldNow();

private:
    YieldFunction m_yield;
    qint64 m_budgetNs;
    QElapsedTimer m_sinceYield;
    bool m_owed = false;
};

} // namespace nearbell
