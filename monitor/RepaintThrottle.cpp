#include "monitor/RepaintThrottle.h"

namespace nearbell {

RepaintThrottle::RepaintThrottle(QWidget *list, int intervalMs) : m_list(list), m_intervalMs(intervalMs)
{
    m_sinceRedraw.start();
    if (m_list) {
        m_wasEnabled = m_list->updatesEnabled();
        m_list->setUpdatesEnabled(false);
    }
}

RepaintThrottle::~RepaintThrottle()
{
    if (m_list && m_wasEnabled)
        m_list->setUpdatesEnabled(true);
}

void RepaintThrottle::beforeYield()
{
    if (!m_list || !m_wasEnabled || m_sinceRedraw.elapsed() < m_intervalMs)
        return;
    m_list->setUpdatesEnabled(true); // schedules one redraw for this yield
    m_open = true;
}

void RepaintThrottle::afterYield()
{
    if (!m_open)
        return;
    m_open = false;
    m_sinceRedraw.restart();
    if (m_list)
        m_list->setUpdatesEnabled(false);
}

} // namespace nearbell
