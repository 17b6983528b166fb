#include "host/LocalHost.h"

#include <algorithm>
#include <limits>

#include "host/HostProfile.h"
#include "host/StationSourceFactory.h"

namespace nearbell {

LocalHost::LocalHost(const HostSettings &settings, std::unique_ptr<StationSource> source,
                     QObject *parent)
    : HostApplication(parent), m_source(std::move(source))
{
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
    return std::make_unique<LocalHost>(settings, makeStationSource(settings), parent);
}

// The source goes first: it must not deliver into a table being destroyed.
LocalHost::~LocalHost()
{
    m_expiryTimer.stop();
    m_source.reset();
}

void LocalHost::start()
{
    m_expiryTimer.start();
    if (m_source)
        m_source->start();
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
    if (!m_source)
        return {StatusPart{QStringLiteral("No station source: no stations will be heard"), true}};
    StatusParts parts{m_source->status()};
    if (m_table.isFull()) {
        parts.append(StatusPart{QStringLiteral("Station table full (%1 stations): %2 farthest dropped")
                                    .arg(m_table.capacity())
                                    .arg(m_table.droppedCount()),
                                false});
    }
    return parts;
}

} // namespace nearbell
