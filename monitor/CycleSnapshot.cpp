#include "monitor/CycleSnapshot.h"

#include "host/HostStation.h"

#include <QSet>

#include <bitset>

#include <utility>

namespace nearbell {

namespace {
constexpr size_t kSieveBits = 4096;
}

void CycleSnapshot::begin()
{
    m_collecting.clear();
    // Most cycles see about as many stations as the one before.
    m_collecting.reserve(m_published.size());
}

void CycleSnapshot::add(const QString &callsign, const QString &entry, const HostStation &record,
                        double distance, SeenStation::Kind kind)
{
    m_collecting.append({callsign, entry, record.Latitude(), record.Longitude(), distance, kind,
                         record.details().course, record.details().speedKmh});
}

void CycleSnapshot::publish()
{
    // The watch scan runs after the station scan, so a watched station in
    // range comes twice; it is drawn once, as watched. Only watched ones
    // repeat, and there are few of them: the rest costs one look-up each.
    // A sieve on length and end letters spares most stations the set.
    const auto sieveBit = [](const QString &callsign) -> size_t {
        return callsign.isEmpty() ? 0
                                  : (size_t(callsign.size()) * 131u + callsign.front().unicode() * 31u
                                     + callsign.back().unicode())
                % kSieveBits;
    };
    QSet<QString> watched;
    std::bitset<kSieveBits> sieve;
    for (const SeenStation &station : std::as_const(m_collecting)) {
        if (station.kind == SeenStation::Kind::Watched) {
            watched.insert(station.callsign);
            sieve.set(sieveBit(station.callsign));
        }
    }
    if (!watched.isEmpty()) {
        QSet<QString> promoted;
        QList<SeenStation> merged;
        merged.reserve(m_collecting.size());
        for (SeenStation &station : m_collecting) {
            if (station.kind != SeenStation::Kind::Watched && sieve.test(sieveBit(station.callsign))
                && watched.contains(station.callsign)) {
                station.kind = SeenStation::Kind::Watched;
                promoted.insert(station.callsign);
            } else if (station.kind == SeenStation::Kind::Watched && promoted.contains(station.callsign)) {
                continue;
            }
            merged.append(std::move(station));
        }
        m_collecting = std::move(merged);
    }
    // The old picture's storage takes the next cycle.
    std::swap(m_published, m_collecting);
    m_collecting.clear();
    ++m_cycles;
}

QString CycleSnapshot::lastHeard(const QString &entry)
{
    const qsizetype blank = entry.indexOf(u' ', 1);
    return blank < 0 ? QString() : entry.mid(blank + 1);
}

} // namespace nearbell
