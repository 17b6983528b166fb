#include "host/StationTable.h"

#include <algorithm>
#include <cmath>
#include <unordered_set>

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
}

void StationTable::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

QDateTime StationTable::now() const
{
    return m_clock().toUTC();
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
    own.lastHeard = now();
    own.heardDirectly = false;
    own.own = true;
    m_own = &own;
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

    if (!std::isfinite(report.latitude) || !std::isfinite(report.longitude)
        || std::abs(report.latitude) > kMaxLatitude || std::abs(report.longitude) > kMaxLongitude)
        return false;

    auto [it, inserted] = m_stations.try_emplace(report.callsign);
    Station &station = it->second;
    if (inserted) {
        station.callsign = report.callsign;
        insertIntoOrder(&station);
    }
    // The own station stays where the profile puts it; hearing its own
    // beacon only refreshes how and when it was heard.
    if (!station.own) {
        station.latitude = report.latitude;
        station.longitude = report.longitude;
    }
    station.symbolTable = report.symbolTable;
    station.symbolCode = listableSymbol(report.symbolCode);
    station.lastHeard = now();
    station.heardDirectly = report.heardDirectly;
    emit beaconReceived(report.callsign, report.latitude, report.longitude);
    return true;
}

int StationTable::expire()
{
    return expire(now());
}

int StationTable::expire(const QDateTime &now)
{
    if (m_expiryMinutes <= 0)
        return 0;
    const QDateTime cutoff = now.toUTC().addSecs(-qint64(m_expiryMinutes) * 60);
    QStringList gone;
    std::unordered_set<const Station *> leaving;
    for (const auto &[callsign, station] : m_stations) {
        if (!station.own && station.lastHeard <= cutoff) {
            gone.append(callsign);
            leaving.insert(&station);
        }
    }
    if (gone.isEmpty())
        return 0;
    // One pass over the order, however many leave.
    const auto isLeaving = [&leaving](const Station *s) { return leaving.count(s) > 0; };
    std::erase_if(m_ordered, isLeaving);
    std::erase_if(m_pending, isLeaving);
    for (const QString &callsign : std::as_const(gone))
        m_stations.erase(callsign);
    // Deletions are announced in list order, whatever the hash order is.
    gone.sort();
    for (const QString &callsign : std::as_const(gone))
        emit stationDeleted(callsign);
    return int(gone.size());
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
    if (m_own)
        m_ordered.push_back(m_own);
    emit cleared();
}

void StationTable::insertIntoOrder(const Station *station)
{
    m_pending.push_back(station);
}

void StationTable::removeFromOrder(const Station *station)
{
    const auto pending = std::find(m_pending.begin(), m_pending.end(), station);
    if (pending != m_pending.end()) {
        m_pending.erase(pending);
        return;
    }
    const auto at = std::lower_bound(m_ordered.begin(), m_ordered.end(), station, byCallsign);
    if (at != m_ordered.end() && *at == station)
        m_ordered.erase(at);
}

void StationTable::remove(const QString &callsign)
{
    const auto it = m_stations.find(callsign);
    if (it == m_stations.end())
        return;
    removeFromOrder(&it->second);
    m_stations.erase(it);
}

const std::vector<const StationTable::Station *> &StationTable::ordered() const
{
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
