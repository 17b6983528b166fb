#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace nearbell {

// When acknowledgements for a time end, and the file that keeps them.
//
// Responsibilities:
//  - hold an end per callsign on a steady clock, so that an hour is an hour
//    of elapsed time whatever the wall clock does; the wall clock only says
//    what the end is called (display, the file);
//  - name the callsigns whose time is up, once each;
//  - write "callsign<blank>UTC time in ISO 8601" per line, the whole file
//    or nothing (as the list file is), and read it back with a reading for
//    each line it cannot take: not "callsign time", a callsign that is not
//    acknowledged, an end more than kLongestMs ahead (taken as kLongestMs
//    from now); an end already passed is due at once.
class AckTimes
{
public:
    using SteadyClock = std::function<qint64()>; // milliseconds, never going back
    using WallClock = std::function<QDateTime()>;
    static constexpr qint64 kHourMs = 60 * 60 * 1000;
    static constexpr qint64 kLongestMs = kHourMs;

    AckTimes();
    void setClocks(SteadyClock steady, WallClock wall);

    void set(const QString &callsign, qint64 forMs = kHourMs);
    void forget(const QString &callsign) { m_ends.remove(callsign); }
    void clear() { m_ends.clear(); }
    bool isEmpty() const { return m_ends.isEmpty(); }
    bool has(const QString &callsign) const { return m_ends.contains(callsign); }
    // The end as the wall clock now names it (UTC).
    std::optional<QDateTime> endsAt(const QString &callsign) const;
    // The callsigns whose time is up, sorted; they are forgotten here.
    QStringList takeDue();

    bool write(const QString &path) const;
    // Reads the file for the acknowledged callsigns; false when it could not
    // be read (a missing file is nothing to read). readings says what was
    // left out or changed, one text per line concerned.
    bool read(const QString &path, const QStringList &acked, QStringList *readings);

private:
    SteadyClock m_steady;
    WallClock m_wall;
    QHash<QString, qint64> m_ends; // steady clock
};

} // namespace nearbell
