#include "monitor/ExtraCycle.h"

#include <algorithm>

namespace nearbell {

ExtraCycle::ExtraCycle(std::function<bool()> run, SteadyClock clock, QObject *parent)
    : QObject(parent), m_run(std::move(run)), m_clock(std::move(clock))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &ExtraCycle::fire);
}

qint64 ExtraCycle::delayFor(qint64 now, qint64 lastRun)
{
    if (lastRun < 0)
        return kSoonMs;
    return std::max<qint64>(kSoonMs, lastRun + kLeastGapMs - now);
}

void ExtraCycle::request()
{
    if (m_timer.isActive())
        return;
    m_timer.start(int(delayFor(m_clock(), m_lastRun)));
}

void ExtraCycle::fire()
{
    const qint64 now = m_clock();
    if (m_lastRun >= 0 && now - m_lastRun < kLeastGapMs) {
        m_timer.start(int(m_lastRun + kLeastGapMs - now));
        return;
    }
    if (!m_run || !m_run()) {
        m_timer.start(kRetryMs);
        return;
    }
    m_lastRun = now;
    ++m_runs;
}

} // namespace nearbell
