#pragma once

#include <QtGlobal>

#include <deque>
#include <unordered_map>
#include <utility>
#include <vector>

namespace nearbell {

// Tells a packet heard for the first time from a copy of it: the same packet
// heard on the air and again from the internet through a gateway, or
// repeated by a digipeater, counts once.
//
// Responsibilities:
//  - remember each packet (by its digest) for kWindowMs after it was first
//    taken in, from whichever source, and refuse copies within that time;
//  - hold at most capacity packets, each source at most an equal share of
//    them: a source that floods forgets its own oldest packets, never those
//    of a quiet one;
//  - take a clock that goes back as the start of a new window, never as a
//    reason to refuse.
class DuplicateFilter
{
public:
    static constexpr qint64 kWindowMs = 30000;
    static constexpr std::size_t kDefaultCapacity = 65536;

    explicit DuplicateFilter(std::size_t capacity = kDefaultCapacity);

    // How many sources share the memory (1 to any); forgets everything.
    void setSourceCount(int sources);
    int sourceCount() const { return int(m_order.size()); }

    // True when the packet is to be taken in: digest 0 (unknown) always is.
    // False for a copy of one taken in less than kWindowMs before nowMs.
    bool admit(int source, quint64 digest, qint64 nowMs);

    // Forgets what one source (or every source) delivered.
    void forgetSource(int source);
    void clear();

    std::size_t size() const { return m_seen.size(); }
    qint64 copiesRefused() const { return m_refused; }

private:
    struct Seen
    {
        qint64 at;
        int source;
    };

    void forgetOldest(int source);

    std::unordered_map<quint64, Seen> m_seen;
    // Per source, what it delivered in arrival order: digest and time.
    std::vector<std::deque<std::pair<quint64, qint64>>> m_order;
    std::size_t m_capacity;
    qint64 m_refused = 0;
};

} // namespace nearbell
