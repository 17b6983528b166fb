#include "host/LocalHost.h"

#include <algorithm>
#include <limits>

#include "host/HostProfile.h"
#include "host/StationSourceFactory.h"
#include "host/aprs/AprsIsSource.h"

namespace nearbell {

LocalHost::LocalHost(const HostSettings &settings, std::unique_ptr<StationSource> source,
                     QObject *parent)
    : HostApplication(parent), m_source(std::move(source)), m_callsign(settings.callsign)
{
    m_aprsIs = dynamic_cast<AprsIsSource *>(m_source.get());
    m_table.setUnit(settings.unitsMiles ? DistanceUnit::Miles : DistanceUnit::Kilometres);
    m_table.setExpiryMinutes(settings.expireMinutes);
    if (settings.hasOwnPosition)
        m_table.setOwnStation(settings.callsign, settings.ownLatitude, settings.ownLongitude);

    connect(&m_table, &StationTable::beaconReceived, this,
            [this](const QString &callsign, double latitude, double longitude) {
                emit NotifyBeacon(callsign, float(latitude), float(longitude));
            });
    connect(&m_table, &StationTable::stationDeleted, this, &HostApplication::NotifyDelete);
    connect(&m_table, &StationTable::cleared, this, &HostApplication::NotifyDeleteAllStations);

    if (m_source) {
        // The host alone owns its source, whatever parent it was made with.
        m_source->setParent(nullptr);
        connect(m_source.get(), &StationSource::reportReceived, &m_table,
                [this](const StationReport &report) { m_table.apply(report); });
        connect(m_source.get(), &StationSource::batchReceived, this,
                &HostApplication::DataAvailable);
    }

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

void LocalHost::start()
{
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
    if (m_aprsIs)
        m_aprsIs->setOwnPosition(latitude, longitude);
}

void LocalHost::setWatchedCallsigns(const QStringList &callsigns)
{
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
    station.fill(float(found->latitude), float(found->longitude),
                 float(m_table.distanceOf(*found)));
    return true;
}

qint16 LocalHost::StationCount()
{
    // Beyond 32767 the 16-bit count would wrap to a negative number and the
    // program would see an empty list: it sees the first 32767 instead.
    return qint16(std::min(m_table.entryCount(), int(std::numeric_limits<qint16>::max())));
}

QString LocalHost::StationListEntry(qint16 &index)
{
    // The list offered ends where the count says, also when it was clamped.
    if (index >= StationCount())
        return QString();
    return m_table.entry(index);
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
    if (!m_source)
        parts.push_back(StatusPart{QStringLiteral("No station source: no stations will be heard"), true});
    else
        parts.push_back(m_source->status());
    if (m_position)
        parts.push_back(m_position->status());
    return parts;
}

} // namespace nearbell
