#include "host/LocalHost.h"

#include <algorithm>
#include <limits>

#include "host/HostProfile.h"
#include "host/StationSourceFactory.h"
#include "host/aprs/AprsIsSource.h"

namespace nearbell {

LocalHost::LocalHost(const HostSettings &settings, std::unique_ptr<StationSource> source,
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

    adoptSource(std::move(source));

    m_expiryTimer.setInterval(kDefaultExpiryCheckMs);
    connect(&m_expiryTimer, &QTimer::timeout, this, [this] { m_table.expire(); });
}

std::unique_ptr<LocalHost> LocalHost::create(const QString &hostProfilePath, QObject *parent)
{
    const HostSettings settings = HostProfile::read(hostProfilePath);
    auto host = std::make_unique<LocalHost>(settings, makeStationSource(settings), parent);
    if (settings.positionFromGpsd) {
        host->setPositionSource(
            std::make_unique<GpsdPositionSource>(settings.gpsdHost, settings.gpsdPort));
    }
    return host;
}

// The source goes first: it must not deliver into a table being destroyed.
LocalHost::~LocalHost()
{
    m_expiryTimer.stop();
    m_position.reset();
    m_aprsIs = nullptr;
    m_source.reset();
}

void LocalHost::adoptSource(std::unique_ptr<StationSource> source)
{
    m_source = std::move(source);
    m_aprsIs = dynamic_cast<AprsIsSource *>(m_source.get());
    if (!m_source)
        return;
    // The host alone owns its source, whatever parent it was made with.
    m_source->setParent(nullptr);
    connect(m_source.get(), &StationSource::reportReceived, &m_table,
            [this](const StationReport &report) {
                if (!report.source.isEmpty()) {
                    m_table.apply(report);
                    return;
                }
                StationReport named = report;
                named.source = m_settings.source;
                m_table.apply(named);
            });
    connect(m_source.get(), &StationSource::batchReceived, this, &HostApplication::DataAvailable);
    // A new APRS-IS source asks for the same stations as the one before.
    if (m_aprsIs) {
        m_aprsIs->setWatchedCallsigns(m_watched);
        if (m_position && m_position->lastFix())
            m_aprsIs->setOwnPosition(m_position->lastFix()->latitude, m_position->lastFix()->longitude);
    }
}

void LocalHost::start()
{
    m_started = true;
    m_expiryTimer.start();
    if (m_source)
        m_source->start();
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
    if (m_aprsIs)
        m_aprsIs->setOwnPosition(latitude, longitude);
}

void LocalHost::setWatchedCallsigns(const QStringList &callsigns)
{
    m_watched = callsigns;
    if (m_aprsIs)
        m_aprsIs->setWatchedCallsigns(callsigns);
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
    HostStation::Details details;
    details.symbolTable = found->symbolTable;
    details.symbolCode = found->symbolCode;
    details.heardDirectRecently = m_table.heardDirectRecently(*found);
    details.lastHeardDirect = found->lastHeardDirect;
    details.bearing = m_table.bearingOf(*found);
    details.source = found->source;
    station.fill(float(found->latitude), float(found->longitude),
                 float(m_table.distanceOf(*found)), std::move(details));
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
    if (!m_source) {
        parts.append({QStringLiteral("No station source: no stations will be heard"), true});
    } else {
        StatusPart state = m_source->status();
        if (!state.failure) {
            const int heard = m_table.entryCount() - (m_table.hasOwnStation() ? 1 : 0);
            state.text += heard == 1 ? QStringLiteral(", 1 station heard")
                                     : QStringLiteral(", %1 stations heard").arg(heard);
        }
        parts.append(state);
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
    // The old source goes before anything it heard, so nothing late arrives.
    m_source.reset();
    m_table.clear();
    adoptSource(makeStationSource(m_settings));
    if (m_started && m_source)
        m_source->start();
}

} // namespace nearbell
