#include "monitor/ScanPacer.h"

namespace nearbell {

ScanPacer::ScanPacer(YieldFunction yield, std::chrono::nanoseconds budget)
    : m_yield(std::move(yield)), m_budgetNs(budget.count())
{
    m_sinceYield.start();
}

bool ScanPacer::worked()
{
    m_owed = true;
    if (m_budgetNs > 0 && m_sinceYield.nsecsElapsed() < m_budgetNs)
        return false;
    yieldNow();
    return true;
}

bool ScanPacer::finish()
{
    if (!m_owed)
        return false;
    yieldNow();
    return true;
}

void ScanPacer::yieldNow()
{
    m_yield();
    m_owed = false;
    m_sinceYield.start();
}

} // namespace nearbell
