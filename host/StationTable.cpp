#include "host/StationTable.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nearbell {

namespace {

constexpr double kMaxLatitude = 90.0 * 60.0;
constexpr double kMaxLongitude = 180.0 * 60.0;

// A name the station list can show so that the callsign comes back out of
// the entry unchanged: not empty, no blank or control character (the entry
// ends the callsign at the first blank) and no trailing "*" (that marks a
// station heard directly).
bool isListableName(const QString &name)
{
    if (name.isEmpty() || name.endsWith(u'*'))
        return false;
    return std::none_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; });
}

// The entry's first character must be a visible one.
char listableSymbol(char code)
{
    return code > ' ' && code < 0x7f ? code : '/';
}

constexpr double kRadiansPerMinute = std::numbers::pi / (180.0 * 60.0);

// One pass chooses this share of the table as eviction candidates: large
// enough that the pass is rare, small enough that the pass stays cheap.
constexpr size_t kCandidateShare = 4;

// Arrivals waiting for the next read before they are merged anyway.
constexpr size_t kMostPending = 2048;

bool byCallsign(const StationTable::Station *a, const StationTable::Station *b)
{
    return a->callsign < b->callsign;
}

void appendTwoDigits(QString &text, int value)
{
    text.append(QChar(u'0' + value / 10));
    text.append(QChar(u'0' + value % 10));
}

} // namespace

StationTable::StationTable(QObject *parent)
    : QObject(parent), m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    m_steady.start();
    m_elapsed = [this] { return m_steady.elapsed(); };
}

void StationTable::setClock(Clock clock)
{
    m_elapsed = [clock] { return clock().toMSecsSinceEpoch(); };
    m_clock = std::move(clock);
    m_looked = false;
}

void StationTable::setClock(Clock clock, ElapsedClock elapsed)
{
    m_clock = std::move(clock);
    m_elapsed = std::move(elapsed);
    m_looked = false;
}

QDateTime StationTable::now() const
{
    return m_clock().toUTC();
}

StationTable::Instant StationTable::stamp()
{
    const Instant instant{now(), m_elapsed()};
    const qint64 offset = instant.wall.toMSecsSinceEpoch() - instant.elapsed;
    if (m_looked && std::abs(offset - m_wallOffsetMs) > kStepMs)
        followWallClock(offset - m_wallOffsetMs);
    m_wallOffsetMs = offset;
    m_looked = true;
    return instant;
}

void StationTable::followWallClock(qint64 stepMs)
{
    const auto shift = [stepMs](QDateTime &time) {
        if (time.isValid())
            time = time.addMSecs(stepMs);
    };
    for (auto &[callsign, station] : m_stations) {
        shift(station.lastHeard);
        shift(station.lastHeardDirect);
        shift(station.motionHeard);
        shift(station.firstHeard);
        for (HostStation::TrackPoint &point : station.track)
            shift(point.heard);
    }
}

qint64 StationTable::motionAgeMs(const Station &station) const
{
    if (!station.motionHeard.isValid())
        return -1;
    return std::max<qint64>(0, elapsedMs() - station.motionMs);
}

QString StationTable::cleanText(const QString &text)
{
    const QString trimmed = text.trimmed();
    QString out;
    out.reserve(std::min<qsizetype>(trimmed.size(), kTextLength));
    int characters = 0;
    for (qsizetype i = 0; i < trimmed.size() && characters < kTextLength; ++i, ++characters) {
        const QChar c = trimmed.at(i);
        if (c.isHighSurrogate() && i + 1 < trimmed.size() && trimmed.at(i + 1).isLowSurrogate()) {
            out.append(c);
            out.append(trimmed.at(++i));
        } else if (c == u'\t' || c == u'\n' || c == u'\r') {
            out.append(u' ');
        } else if (c.isSurrogate() || c.category() == QChar::Other_Control
                   || c == QChar::LineSeparator || c == QChar::ParagraphSeparator) {
            out.append(QChar(QChar::ReplacementCharacter));
        } else {
            out.append(c);
        }
    }
    return out.trimmed();
}

void StationTable::setOwnStation(const QString &callsign, double latitude, double longitude)
{
    if (m_own) {
        const QString old = m_own->callsign;
        m_own = nullptr;
        remove(old);
    }
    if (!isListableName(callsign))
        return;
    auto [it, inserted] = m_stations.try_emplace(callsign);
    Station &own = it->second;
    if (inserted) {
        own.callsign = callsign;
        insertIntoOrder(&own);
    }
    own.symbolTable = kOwnSymbolTable;
    own.symbolCode = kOwnSymbolCode;
    own.latitude = latitude;
    own.longitude = longitude;
    const Instant heard = stamp();
    own.lastHeard = heard.wall;
    own.heardMs = heard.elapsed;
    own.heardDirectly = false;
    own.own = true;
    own.serial = ++m_nextSerial;
    m_own = &own;
    // Farness was measured from the old position.
    m_haveCandidates = false;
    m_candidates.clear();
}

void StationTable::setCapacity(int stations)
{
    m_capacity = std::max(stations, 2);
}

bool StationTable::moveOwnStation(double latitude, double longitude)
{
    if (!m_own || !std::isfinite(latitude) || !std::isfinite(longitude)
        || std::abs(latitude) > kMaxLatitude || std::abs(longitude) > kMaxLongitude)
        return false;
    // m_own points into the table's own (non-const) storage.
    Station &own = const_cast<Station &>(*m_own);
    own.latitude = latitude;
    own.longitude = longitude;
    return true;
}

bool StationTable::apply(const StationReport &report)
{
    if (!isListableName(report.callsign))
        return false;

    if (report.killed) {
        const Station *station = find(report.callsign);
        if (station && !station->own) {
            remove(report.callsign);
            emit stationDeleted(report.callsign);
        }
        return true;
    }

    if (!report.hasPosition) {
        noteStatusOnly(report, stamp());
        return true;
    }
    if (!std::isfinite(report.latitude) || !std::isfinite(report.longitude)
        || std::abs(report.latitude) > kMaxLatitude || std::abs(report.longitude) > kMaxLongitude)
        return false;

    auto it = m_stations.find(report.callsign);
    bool moved = false;
    if (it == m_stations.end()) {
        if (isFull() && !makeRoomFor(farness(report.latitude, report.longitude))) {
            ++m_dropped; // the newcomer is the farthest of all
            return true;
        }
        it = m_stations.try_emplace(report.callsign).first;
        it->second.callsign = report.callsign;
        if (const auto waiting = m_waitingStatus.constFind(report.callsign);
            waiting != m_waitingStatus.cend()) {
            it->second.status = waiting->status;
            m_waitingStatus.erase(waiting);
        }
        insertIntoOrder(&it->second);
        moved = true;
    }
    Station &station = it->second;
    const Instant heard = stamp();
    // The own station stays where the profile puts it; hearing its own
    // beacon only refreshes how and when it was heard.
    if (!station.own) {
        const bool elsewhere = station.latitude != report.latitude || station.longitude != report.longitude;
        if (elsewhere && !moved && station.source != report.source
            && heard.elapsed - station.heardMs < kConflictMs) {
            ++m_conflicts;
            emit positionConflict(report.callsign, station.source, report.source);
        }
        moved = moved || elsewhere;
        station.latitude = report.latitude;
        station.longitude = report.longitude;
    }
    station.symbolTable = report.symbolTable;
    station.symbolCode = listableSymbol(report.symbolCode);
    noteReport(station, report, heard);
    if (moved)
        noteMove(station);
    emit beaconReceived(report.callsign, report.latitude, report.longitude);
    return true;
}

void StationTable::noteHeard(Station &station, const StationReport &report, const Instant &heard)
{
    station.lastHeard = heard.wall;
    station.heardMs = heard.elapsed;
    station.heardDirectly = report.heardDirectly;
    if (report.heardDirectly) {
        station.lastHeardDirect = heard.wall;
        station.heardDirectMs = heard.elapsed;
    }
    station.source = report.source;
    ++station.packets;
    if (!station.firstHeard.isValid())
        station.firstHeard = heard.wall;
    station.path = sharedPath(report.path);
    if (!report.status.isEmpty())
        station.status = cleanText(report.status);
}

void StationTable::noteReport(Station &station, const StationReport &report, const Instant &heard)
{
    noteHeard(station, report, heard);
    if (std::isfinite(report.course) || std::isfinite(report.speedKmh)) {
        if (station.motionHeard.isValid()) {
            station.priorCourse = station.course;
            station.courseGapMs = heard.elapsed - station.motionMs;
        }
        station.course = report.course;
        station.speedKmh = report.speedKmh;
        station.motionHeard = heard.wall;
        station.motionMs = heard.elapsed;
    }
    if (std::isfinite(report.altitudeM))
        station.altitudeM = report.altitudeM;
    if (!report.comment.isEmpty())
        station.comment = cleanText(report.comment);
    auto &track = station.track;
    if (!track.empty()
        && greatcircle::kilometres(track.back().latitude, track.back().longitude, station.latitude,
                                   station.longitude) < kTrackStepKm) {
        track.back().heard = heard.wall;
        return;
    }
    // Most stations never move: room grows by steps up to the bound, and
    // never past it.
    if (track.size() == track.capacity() && int(track.size()) < kTrackLength)
        track.reserve(std::min<size_t>(kTrackLength, std::max<size_t>(2, 2 * track.capacity())));
    if (int(track.size()) >= kTrackLength)
        track.erase(track.begin());
    track.push_back(HostStation::TrackPoint{station.latitude, station.longitude, heard.wall});
}

void StationTable::noteStatusOnly(const StationReport &report, const Instant &heard)
{
    const auto it = m_stations.find(report.callsign);
    if (it != m_stations.end()) {
        noteHeard(it->second, report, heard);
        return;
    }
    // Not placed yet: the text waits for the first position, in bounded room.
    const QString status = cleanText(report.status);
    if (status.isEmpty())
        return;
    if (m_waitingStatus.size() >= kMostWaitingStatus && !m_waitingStatus.contains(report.callsign))
        m_waitingStatus.erase(m_waitingStatus.begin());
    m_waitingStatus.insert(report.callsign, Waiting{status, heard.elapsed});
}

QStringList StationTable::sharedPath(const QStringList &path)
{
    if (path.isEmpty())
        return {};
    if (const auto known = m_paths.constFind(path); known != m_paths.cend())
        return *known;
    // Digipeaters are few even where their combinations are many: each name
    // is held once. Bounded: a flood of made-up paths keeps its own copies.
    QStringList shared;
    shared.reserve(path.size());
    for (const QString &element : path) {
        const auto name = m_pathElements.constFind(element);
        if (name != m_pathElements.cend()) {
            shared.append(*name);
        } else {
            if (m_pathElements.size() < kMostSharedPaths)
                m_pathElements.insert(element);
            shared.append(element);
        }
    }
    if (m_paths.size() < kMostSharedPaths)
        m_paths.insert(shared);
    return shared;
}

void StationTable::noteHeardDirect(const QString &callsign)
{
    const auto it = m_stations.find(callsign);
    if (it != m_stations.end() && !it->second.removed) {
        const Instant heard = stamp();
        it->second.lastHeardDirect = heard.wall;
        it->second.heardDirectMs = heard.elapsed;
    }
}

int StationTable::expire()
{
    return expireAt(stamp().elapsed);
}

int StationTable::expire(const QDateTime &now)
{
    const Instant instant = stamp();
    return expireAt(instant.elapsed + instant.wall.msecsTo(now.toUTC()));
}

int StationTable::expireAt(qint64 elapsed)
{
    if (m_expiryMinutes <= 0)
        return 0;
    const qint64 cutoff = elapsed - qint64(m_expiryMinutes) * 60 * 1000;
    m_waitingStatus.removeIf([cutoff](const auto &waiting) { return waiting.value().heardMs <= cutoff; });
    return removeWhere([cutoff](const Station &station) { return station.heardMs <= cutoff; });
}

int StationTable::removeHeardBy(const QStringList &sources)
{
    return removeWhere([&sources](const Station &station) { return sources.contains(station.source); });
}

int StationTable::removeWhere(const std::function<bool(const Station &)> &gone)
{
    QStringList removed;
    for (auto it = m_stations.begin(); it != m_stations.end();) {
        const auto here = it++;
        if (!here->second.own && gone(here->second)) {
            removed.append(here->first);
            bury(m_stations.extract(here));
        }
    }
    if (removed.isEmpty())
        return 0;
    // Deletions are announced in list order, whatever the hash order is.
    removed.sort();
    for (const QString &callsign : std::as_const(removed))
        emit stationDeleted(callsign);
    return int(removed.size());
}

void StationTable::clear()
{
    for (auto it = m_stations.begin(); it != m_stations.end();) {
        if (it->second.own)
            ++it;
        else
            it = m_stations.erase(it);
    }
    m_ordered.clear();
    m_pending.clear();
    m_buried.clear();
    m_taken.clear();
    m_heldForList.clear();
    m_listIntact = false;
    m_candidates.clear();
    m_haveCandidates = false;
    m_waitingStatus.clear();
    if (m_own)
        m_ordered.push_back(m_own);
    emit cleared();
}

void StationTable::insertIntoOrder(const Station *station)
{
    m_pending.push_back(station);
    // Merged now and then, so that the read after a flood merges little.
    if (m_pending.size() >= kMostPending)
        ordered();
}

void StationTable::remove(const QString &callsign)
{
    auto node = m_stations.extract(callsign);
    if (!node.empty())
        bury(std::move(node));
}

void StationTable::bury(std::unordered_map<QString, Station>::node_type node)
{
    node.mapped().removed = true;
    m_buried.push_back(std::move(node));
    // Without reads the dead would pile up: let go of them now and then.
    if (m_buried.size() > m_stations.size() / 2 + 1024)
        dropBuriedFromOrder();
}

void StationTable::dropBuriedFromOrder() const
{
    const auto isRemoved = [](const Station *s) { return s->removed; };
    std::erase_if(m_ordered, isRemoved);
    std::erase_if(m_pending, isRemoved);
    if (m_listIntact) {
        for (auto &node : m_buried)
            m_heldForList.push_back(std::move(node));
        if (m_heldForList.size() > 2 * size_t(m_capacity)) {
            m_listIntact = false; // a walk that long was given up
            m_heldForList.clear();
        }
    }
    m_buried.clear();
}

double StationTable::farness(double latitude, double longitude) const
{
    // The haversine of the central angle: it grows with the distance and
    // needs no arc sine. Without an own position all are equally far.
    if (!m_own)
        return 0.0;
    const double phi1 = m_own->latitude * kRadiansPerMinute;
    const double phi2 = latitude * kRadiansPerMinute;
    const double s1 = std::sin((phi2 - phi1) / 2.0);
    const double s2 = std::sin((longitude - m_own->longitude) * kRadiansPerMinute / 2.0);
    return s1 * s1 + std::cos(phi1) * std::cos(phi2) * s2 * s2;
}

void StationTable::noteMove(Station &station)
{
    station.serial = ++m_nextSerial;
    if (!m_haveCandidates || station.own)
        return;
    const double f = farness(station.latitude, station.longitude);
    if (f <= m_candidateFloor)
        return;
    m_candidates.push_back(Candidate{f, station.callsign, station.serial});
    std::push_heap(m_candidates.begin(), m_candidates.end(),
                   [](const Candidate &a, const Candidate &b) { return a.farness < b.farness; });
    // Far stations that keep moving leave stale entries behind; past this
    // size a fresh pass is cheaper than carrying them.
    if (m_candidates.size() > m_stations.size() / 4 + 64) {
        m_candidates.clear();
        m_haveCandidates = false;
    }
}

void StationTable::chooseCandidates()
{
    std::vector<std::pair<double, const Station *>> all;
    all.reserve(m_stations.size());
    for (const auto &[callsign, station] : m_stations) {
        if (!station.own)
            all.emplace_back(farness(station.latitude, station.longitude), &station);
    }
    m_candidates.clear();
    m_haveCandidates = true;
    m_candidatesFromLat = m_own ? m_own->latitude : 0.0;
    m_candidatesFromLon = m_own ? m_own->longitude : 0.0;
    if (all.empty())
        return;
    const size_t batch = std::max<size_t>(1, all.size() / kCandidateShare);
    std::nth_element(all.begin(), all.begin() + std::ptrdiff_t(batch - 1), all.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    m_candidateFloor = all[batch - 1].first;
    m_candidates.reserve(batch);
    for (size_t i = 0; i < batch; ++i)
        m_candidates.push_back(Candidate{all[i].first, all[i].second->callsign, all[i].second->serial});
    std::make_heap(m_candidates.begin(), m_candidates.end(),
                   [](const Candidate &a, const Candidate &b) { return a.farness < b.farness; });
}

bool StationTable::makeRoomFor(double arrivalFarness)
{
    const auto nearerFirst = [](const Candidate &a, const Candidate &b) { return a.farness < b.farness; };
    // Two rounds at most: the batch at hand, then one fresh pass.
    for (int round = 0; round < 2; ++round) {
        if (!m_haveCandidates
            || (m_own && (m_own->latitude != m_candidatesFromLat || m_own->longitude != m_candidatesFromLon)))
            chooseCandidates();
        while (!m_candidates.empty()) {
            const Candidate &top = m_candidates.front();
            const Station *station = find(top.callsign);
            if (!station || station->serial != top.serial || station->own) {
                std::pop_heap(m_candidates.begin(), m_candidates.end(), nearerFirst);
                m_candidates.pop_back(); // deleted or moved since it was chosen
                continue;
            }
            // A tie goes to the newcomer: it was heard last.
            if (arrivalFarness > top.farness)
                return false;
            const QString callsign = top.callsign;
            std::pop_heap(m_candidates.begin(), m_candidates.end(), nearerFirst);
            m_candidates.pop_back();
            remove(callsign);
            ++m_dropped;
            emit stationDeleted(callsign);
            return true;
        }
        m_haveCandidates = false;
    }
    return false; // nothing but the own station to make room with
}

const std::vector<const StationTable::Station *> &StationTable::ordered() const
{
    if (!m_buried.empty())
        dropBuriedFromOrder();
    if (!m_pending.empty()) {
        std::sort(m_pending.begin(), m_pending.end(), byCallsign);
        if (m_pending.size() <= 16) {
            for (const Station *station : m_pending) {
                m_ordered.insert(
                    std::upper_bound(m_ordered.begin(), m_ordered.end(), station, byCallsign),
                    station);
            }
        } else {
            const auto middle = m_ordered.insert(m_ordered.end(), m_pending.begin(), m_pending.end());
            std::inplace_merge(m_ordered.begin(), middle, m_ordered.end(), byCallsign);
        }
        m_pending.clear();
    }
    return m_ordered;
}

QString StationTable::entry(int index) const
{
    if (index < 0 || index >= entryCount())
        return QString();
    return entryText(*ordered()[size_t(index)]);
}

const StationTable::Station *StationTable::find(const QString &callsign) const
{
    const auto it = m_stations.find(callsign);
    return it == m_stations.end() ? nullptr : &it->second;
}

double StationTable::distanceOf(const Station &station) const
{
    if (station.own)
        return 0.0;
    if (!m_own)
        return kUnknownDistance;
    return greatcircle::distance(m_own->latitude, m_own->longitude, station.latitude,
                                 station.longitude, m_unit);
}

double StationTable::bearingOf(const Station &station) const
{
    if (!m_own || station.own)
        return std::nan("");
    return greatcircle::bearing(m_own->latitude, m_own->longitude, station.latitude,
                                station.longitude);
}

bool StationTable::heardDirectRecently(const Station &station) const
{
    return station.lastHeardDirect.isValid()
           && elapsedMs() - station.heardDirectMs <= qint64(kDirectMinutes) * 60 * 1000;
}

const std::vector<const StationTable::Station *> &StationTable::takeList(int limit)
{
    stamp(); // the times the walk shows follow a step of the wall clock
    const std::vector<const Station *> &order = ordered();
    // The previous list is let go only now: its deleted stations go with it.
    m_heldForList.clear();
    m_listIntact = true;
    if (order.size() <= size_t(std::max(limit, 0))) {
        m_taken = order;
        return m_taken;
    }
    m_taken.clear();
    if (limit <= 0)
        return m_taken;
    // Keep the nearest `limit` (the own station first of all), in the usual
    // order.
    std::vector<std::pair<double, size_t>> byFarness;
    byFarness.reserve(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        const Station &s = *order[i];
        byFarness.emplace_back(s.own ? -1.0 : farness(s.latitude, s.longitude), i);
    }
    std::nth_element(byFarness.begin(), byFarness.begin() + limit, byFarness.end());
    std::vector<bool> keep(order.size(), false);
    for (size_t i = 0; i < size_t(limit); ++i)
        keep[byFarness[i].second] = true;
    for (size_t i = 0; i < order.size(); ++i) {
        if (keep[i])
            m_taken.push_back(order[i]);
    }
    return m_taken;
}

QString StationTable::entryText(const Station &station)
{
    QString text;
    text.reserve(station.callsign.size() + 11);
    text.append(QLatin1Char(station.symbolCode));
    text.append(station.callsign);
    if (station.heardDirectly)
        text.append(u'*');
    text.append(u' ');
    // HH:mm:ss in UTC, written by hand: the scans read every entry often.
    const qint64 secondOfDay = ((station.lastHeard.toSecsSinceEpoch() % 86400) + 86400) % 86400;
    appendTwoDigits(text, int(secondOfDay / 3600));
    text.append(u':');
    appendTwoDigits(text, int(secondOfDay / 60 % 60));
    text.append(u':');
    appendTwoDigits(text, int(secondOfDay % 60));
    return text;
}

} // namespace nearbell
