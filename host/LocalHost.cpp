#include "host/LocalHost.h"

#include <algorithm>
#include <limits>

#include "host/HostProfile.h"
#include "host/StationSourceFactory.h"
#include "host/aprs/AprsIsSource.h"

#include <QTextStream>

namespace nearbell {

namespace {

std::vector<std::unique_ptr<StationSource>> oneSource(std::unique_ptr<StationSource> source)
{
    std::vector<std::unique_ptr<StationSource>> sources;
    sources.push_back(std::move(source));
    return sources;
}

} // namespace

LocalHost::LocalHost(const HostSettings &settings, std::unique_ptr<StationSource> source,
                     QObject *parent)
    : LocalHost(settings, oneSource(std::move(source)), parent)
{
}

LocalHost::LocalHost(const HostSettings &settings, std::vector<std::unique_ptr<StationSource>> sources,
                     QObject *parent)
    : HostApplication(parent), m_settings(settings), m_callsign(settings.callsign)
{
    m_table.setUnit(settings.unitsMiles ? DistanceUnit::Miles : DistanceUnit::Kilometres);
    m_table.setExpiryMinutes(settings.expireMinutes);
    m_hasOwnPosition = settings.hasOwnPosition;
    if (settings.hasOwnPosition)
        m_table.setOwnStation(settings.callsign, settings.ownLatitude, settings.ownLongitude);

    connect(&m_table, &StationTable::beaconReceived, this,
            [this](const QString &callsign, double latitude, double longitude) {
                emit NotifyBeacon(callsign, float(latitude), float(longitude));
            });
    connect(&m_table, &StationTable::stationDeleted, this, &HostApplication::NotifyDelete);
    connect(&m_table, &StationTable::cleared, this, &HostApplication::NotifyDeleteAllStations);
    connect(&m_table, &StationTable::positionConflict, this, &LocalHost::tellConflict);

    adoptSources(std::move(sources));

    m_expiryTimer.setInterval(kDefaultExpiryCheckMs);
    connect(&m_expiryTimer, &QTimer::timeout, this, [this] { m_table.expire(); });
}

std::unique_ptr<LocalHost> LocalHost::create(const QString &hostProfilePath, QObject *parent)
{
    const HostSettings settings = HostProfile::read(hostProfilePath);
    auto host = std::make_unique<LocalHost>(settings, makeStationSources(settings), parent);
    if (settings.positionFromGpsd) {
        host->setPositionSource(
            std::make_unique<GpsdPositionSource>(settings.gpsdHost, settings.gpsdPort));
    }
    return host;
}

// The sources go first: they must not deliver into a table being destroyed.
LocalHost::~LocalHost()
{
    m_expiryTimer.stop();
    m_position.reset();
    m_sources.clear();
}

void LocalHost::adoptSources(std::vector<std::unique_ptr<StationSource>> sources)
{
    m_sources.clear();
    for (auto &source : sources) {
        if (!source)
            continue;
        if (m_sources.size() == size_t(kMaxSources)) {
            QTextStream(stderr) << "Station source \"" << source->name() << "\" left out: at most "
                                << kMaxSources << " sources are heard at once\n";
            continue;
        }
        m_sources.push_back(Slot{std::move(source), nullptr});
    }
    m_duplicates.setSourceCount(int(m_sources.size()));
    for (int i = 0; i < int(m_sources.size()); ++i)
        wire(i);
}

void LocalHost::wire(int index)
{
    Slot &slot = m_sources[size_t(index)];
    StationSource *source = slot.source.get();
    slot.aprsIs = dynamic_cast<AprsIsSource *>(source);
    // The host alone owns its sources, whatever parent they were made with.
    source->setParent(nullptr);
    connect(source, &StationSource::reportReceived, this,
            [this, index](const StationReport &report) { take(index, report); });
    connect(source, &StationSource::batchReceived, this, &HostApplication::DataAvailable);
    // A new APRS-IS source asks for the same stations as the one before.
    if (slot.aprsIs) {
        slot.aprsIs->setWatchedCallsigns(m_watched);
        if (m_position && m_position->lastFix())
            slot.aprsIs->setOwnPosition(m_position->lastFix()->latitude, m_position->lastFix()->longitude);
    }
}

void LocalHost::take(int index, const StationReport &report)
{
    if (!m_duplicates.admit(index, report.packet, m_table.now().toMSecsSinceEpoch()))
        return;
    StationReport named = report;
    named.source = m_sources[size_t(index)].source->name();
    m_table.apply(named);
}

void LocalHost::tellConflict(const QString &callsign, const QString &earlier, const QString &later)
{
    const qint64 now = m_table.now().toMSecsSinceEpoch();
    const auto told = m_conflictsTold.constFind(callsign);
    if (told != m_conflictsTold.cend() && now - *told >= 0 && now - *told < kConflictQuietMs)
        return;
    // Bounded: a flood of conflicting stations cannot grow it without end.
    if (m_conflictsTold.size() >= 4096)
        m_conflictsTold.clear();
    m_conflictsTold.insert(callsign, now);
    QTextStream(stderr) << callsign << " was placed apart by " << earlier << " and " << later
                        << " within a second: the newest report is used\n";
}

StationSource *LocalHost::sourceAt(int index) const
{
    return index >= 0 && index < int(m_sources.size()) ? m_sources[size_t(index)].source.get() : nullptr;
}

void LocalHost::start()
{
    m_started = true;
    m_expiryTimer.start();
    for (Slot &slot : m_sources)
        slot.source->start();
    if (m_position)
        m_position->start();
}

void LocalHost::setPositionSource(std::unique_ptr<GpsdPositionSource> positionSource)
{
    m_position = std::move(positionSource);
    if (!m_position)
        return;
    m_position->setParent(nullptr);
    connect(m_position.get(), &GpsdPositionSource::positionChanged, this,
            &LocalHost::moveOwnStation);
}

void LocalHost::moveOwnStation(double latitude, double longitude)
{
    // The first fix of a station without a fixed position puts it in the
    // table; every later one only moves it.
    if (!m_table.moveOwnStation(latitude, longitude))
        m_table.setOwnStation(m_callsign, latitude, longitude);
    m_hasOwnPosition = true;
    for (Slot &slot : m_sources) {
        if (slot.aprsIs)
            slot.aprsIs->setOwnPosition(latitude, longitude);
    }
}

void LocalHost::setWatchedCallsigns(const QStringList &callsigns)
{
    m_watched = callsigns;
    for (Slot &slot : m_sources) {
        if (slot.aprsIs)
            slot.aprsIs->setWatchedCallsigns(callsigns);
    }
}

void LocalHost::setExpiryCheckInterval(int ms)
{
    m_expiryTimer.setInterval(ms);
}

void LocalHost::clearStations()
{
    m_table.clear();
}

void LocalHost::announceClosing()
{
    emit UIView32IsClosing();
}

bool LocalHost::GetStation(HostStation &station)
{
    const StationTable::Station *found = m_table.find(station.callsign());
    if (!found)
        return false;
    station.fill(float(found->latitude), float(found->longitude),
                 float(m_table.distanceOf(*found)));
    return true;
}

qint16 LocalHost::StationCount()
{
    // The table holds no more than the 16-bit count can say; were it ever
    // made larger, the list leaves out the farthest, never a near station.
    m_listTaken = true;
    return qint16(m_table.takeList(std::numeric_limits<qint16>::max()).size());
}

QString LocalHost::StationListEntry(qint16 &index)
{
    if (!m_listTaken)
        StationCount();
    // A list let go (the table was cleared) ends the walk early.
    const auto &list = m_table.takenList();
    if (!m_table.listIntact() || index < 0 || size_t(index) >= list.size())
        return QString();
    return StationTable::entryText(*list[size_t(index)]);
}

void LocalHost::SetAttachOption(qint32 &value)
{
    m_attachOption = value;
}

} // namespace nearbell

namespace nearbell {

StatusParts LocalHost::statusParts() const
{
    StatusParts parts;
    const int heard = m_table.entryCount() - (m_table.hasOwnStation() ? 1 : 0);
    const QString heardText = heard == 1 ? QStringLiteral("1 station heard")
                                         : QStringLiteral("%1 stations heard").arg(heard);
    if (m_sources.empty()) {
        parts.append({QStringLiteral("No station source: no stations will be heard"), true});
    } else if (m_sources.size() == 1) {
        StatusPart state = m_sources.front().source->status();
        if (!state.failure)
            state.text += QStringLiteral(", ") + heardText;
        parts.append(state);
    } else {
        // Each source in the colour of its own state, then what they heard together.
        for (const Slot &slot : m_sources)
            parts.append(slot.source->status());
        parts.append({heardText, false});
    }
    if (m_position)
        parts.append(m_position->status());
    else if (!m_hasOwnPosition) {
        parts.append({QStringLiteral("Own position unknown: distances cannot be measured "
                                     "(uiview32.ini, STATION, LATITUDE/LONGITUDE)"),
                      true});
    }
    if (m_table.isFull()) {
        parts.append(StatusPart{QStringLiteral("Station table full (%1 stations): %2 farthest dropped")
                                    .arg(m_table.capacity())
                                    .arg(m_table.droppedCount()),
                                false});
    }
    return parts;
}

} // namespace nearbell

namespace nearbell {

namespace {

// Whether the source made from b would differ from the one made from a.
bool sourceDiffers(const HostSettings &a, const HostSettings &b)
{
    const bool demo = a.source.trimmed().startsWith(QLatin1String("DEMO"), Qt::CaseInsensitive);
    // The simulated stations are placed around the own position.
    const bool positionMatters = demo && (a.ownLatitude != b.ownLatitude || a.ownLongitude != b.ownLongitude);
    return a.source.trimmed() != b.source.trimmed() || a.rangeKm != b.rangeKm || a.filter != b.filter
           || a.replayMs != b.replayMs || positionMatters;
}

} // namespace

void LocalHost::applySettings(const HostSettings &settings)
{
    HostSettings next = settings;
    next.callsign = m_settings.callsign;
    m_table.setUnit(next.unitsMiles ? DistanceUnit::Miles : DistanceUnit::Kilometres);
    m_table.setExpiryMinutes(next.expireMinutes);
    if (next.hasOwnPosition) {
        m_table.setOwnStation(next.callsign, next.ownLatitude, next.ownLongitude);
        m_hasOwnPosition = true;
    }

    const bool restart = sourceDiffers(m_settings, next);
    m_settings = next;
    if (!restart)
        return;
    // The old sources go before anything they heard, so nothing late arrives.
    m_sources.clear();
    m_table.clear();
    adoptSources(makeStationSources(m_settings));
    if (m_started) {
        for (Slot &slot : m_sources)
            slot.source->start();
    }
}

} // namespace nearbell
