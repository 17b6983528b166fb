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

} // namespace nearbell
