#include "host/aprs/ReconnectBackoff.h"

#include <algorithm>

namespace nearbell {

ReconnectBackoff::ReconnectBackoff(int firstMs, int limitMs)
    : m_firstMs(std::max(1, firstMs)), m_limitMs(std::max(m_firstMs, limitMs)), m_nextMs(m_firstMs)
{
}

int ReconnectBackoff::nextDelayMs()
{
    const int delay = m_nextMs;
    m_nextMs = m_nextMs > m_limitMs / 2 ? m_limitMs : m_nextMs * 2;
    return delay;
}

void ReconnectBackoff::reset()
{
    m_nextMs = m_firstMs;
}

QString ReconnectBackoff::durationText(qint64 ms)
{
    const qint64 seconds = std::max<qint64>(0, ms) / 1000;
    if (seconds < 120)
        return QStringLiteral("%1 s").arg(seconds);
    const qint64 minutes = seconds / 60;
    if (minutes < 120)
        return QStringLiteral("%1 min").arg(minutes);
    return QStringLiteral("%1 h %2 min").arg(minutes / 60).arg(minutes % 60);
}

QString ReconnectBackoff::countdownText(qint64 remainingMs)
{
    return durationText(std::max<qint64>(1000, remainingMs + 999));
}

} // namespace nearbell
