#include "host/DuplicateFilter.h"

#include <algorithm>

namespace nearbell {

DuplicateFilter::DuplicateFilter(std::size_t capacity) : m_order(1), m_capacity(std::max<std::size_t>(capacity, 1))
{
}

void DuplicateFilter::setSourceCount(int sources)
{
    m_seen.clear();
    m_order.assign(std::size_t(std::max(sources, 1)), {});
}

bool DuplicateFilter::admit(int source, quint64 digest, qint64 nowMs)
{
    if (digest == 0 || source < 0 || std::size_t(source) >= m_order.size())
        return true;
    // Out of the window, or from a time the clock has gone back past.
    const auto stale = [nowMs](qint64 at) { return nowMs - at >= kWindowMs || at > nowMs; };
    for (std::size_t s = 0; s < m_order.size(); ++s) {
        while (!m_order[s].empty() && stale(m_order[s].front().second))
            forgetOldest(int(s));
    }
    const auto it = m_seen.find(digest);
    if (it != m_seen.end() && !stale(it->second.at)) {
        ++m_refused;
        return false;
    }
    m_seen.insert_or_assign(digest, Seen{nowMs, source});
    auto &order = m_order[std::size_t(source)];
    order.emplace_back(digest, nowMs);
    const std::size_t share = std::max<std::size_t>(1, m_capacity / m_order.size());
    while (order.size() > share)
        forgetOldest(source);
    return true;
}

void DuplicateFilter::forgetOldest(int source)
{
    auto &order = m_order[std::size_t(source)];
    const auto [digest, at] = order.front();
    order.pop_front();
    // The packet may have been taken in again since, by this or another source.
    const auto it = m_seen.find(digest);
    if (it != m_seen.end() && it->second.at == at && it->second.source == source)
        m_seen.erase(it);
}

void DuplicateFilter::forgetSource(int source)
{
    if (source < 0 || std::size_t(source) >= m_order.size())
        return;
    while (!m_order[std::size_t(source)].empty())
        forgetOldest(source);
}

void DuplicateFilter::clear()
{
    m_seen.clear();
    for (auto &order : m_order)
        order.clear();
}

} // namespace nearbell
