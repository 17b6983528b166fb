#pragma once

#include <QHash>

#include "map/TileMath.h"

namespace nearbell {

// When a tile that failed may be asked for again: never on the next
// redraw, but after a wait that doubles with each failure (from
// kFirstMs up to kLongestMs). A whole server that could not be reached
// waits the same way before any of its tiles is asked for.
class TileBackoff
{
public:
    static constexpr qint64 kFirstMs = 15'000;
    static constexpr qint64 kLongestMs = 30 * 60'000;

    bool mayTry(const TileKey &key, qint64 nowMs) const;
    void failed(const TileKey &key, qint64 nowMs);
    void succeeded(const TileKey &key) { m_tiles.remove(key); }

    bool serverMayTry(qint64 nowMs) const { return nowMs >= m_server.next; }
    void serverFailed(qint64 nowMs) { step(m_server, nowMs); }
    void serverAnswered() { m_server = {}; }
    // Milliseconds until the server may be asked again (0: now).
    qint64 serverWaitMs(qint64 nowMs) const { return std::max<qint64>(0, m_server.next - nowMs); }

private:
    struct Wait
    {
        int failures = 0;
        qint64 next = 0;
    };
    static void step(Wait &wait, qint64 nowMs);

    QHash<TileKey, Wait> m_tiles;
    Wait m_server;
};

} // namespace nearbell
