#include "map/TileBackoff.h"

#include <algorithm>

namespace nearbell {

bool TileBackoff::mayTry(const TileKey &key, qint64 nowMs) const
{
    const auto it = m_tiles.constFind(key);
    return it == m_tiles.constEnd() || nowMs >= it->next;
}

void TileBackoff::failed(const TileKey &key, qint64 nowMs)
{
    // Forgotten waits are cheap to make again; a long session must not
    // collect every tile that ever failed.
    if (m_tiles.size() > 4096)
        m_tiles.clear();
    step(m_tiles[key], nowMs);
}

void TileBackoff::step(Wait &wait, qint64 nowMs)
{
    const int doublings = std::min(wait.failures, 20);
    wait.next = nowMs + std::min(kLongestMs, kFirstMs << doublings);
    ++wait.failures;
}

} // namespace nearbell
