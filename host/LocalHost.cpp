#include "host/LocalHost.h"

#include <QTextStream>

#include <algorithm>
#include <limits>

#include "host/HostProfile.h"
#include "host/StationSourceFactory.h"
#include "host/aprs/AprsIsSource.h"

namespace nearbell {

LocalHost::LocalHost(const HostSettings &settings, std::unique_ptr<StationSource> source,
                     QObject *parent)
    : HostApplication(parent), m_model(settings)
{
    m_table.setUnit(settings.unitsMiles ? DistanceUnit::Miles : DistanceUnit::Kilometres);
    m_table.setExpiryMinutes(settings.expireMinutes);
    placeOwnStation(settings);
    connect(&m_model, &HostSettingsModel::changed, this, &LocalHost::follow);

    connect(&m_table, &StationTable::beaconReceived, this,
            [this](const QString &callsign, double latitude, double longitude) {
                emit NotifyBeacon(callsign, float(latitude), float(longitude));
            });
    connect(&m_table, &StationTable::stationDeleted, this, &HostApplication::NotifyDelete);
    connect(&m_table, &StationTable::cleared, this, &HostApplication::NotifyDeleteAllStations);

    adoptSource(std::move(source));

    m_expiryTimer.setInterval(kDefaultExpiryCheckMs);
    connect(&m_expiryTimer, &QTimer::timeout, this, [this] { m_table.expire(); });
    for (const QString &problem : settings.problems)
        QTextStream(stderr) << problem << '\n';
}

void LocalHost::placeOwnStation(const HostSettings &settings)
{
    if (!settings.hasOwnPosition)
        return;
    // The first position of a station without one puts it in the table;
    // every later one only moves it.
    if (!m_table.moveOwnStation(settings.ownLatitude, settings.ownLongitude))
        m_table.setOwnStation(settings.callsign, settings.ownLatitude, settings.ownLongitude);
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
                named.source = m_model.current().source.format();
                m_table.apply(named);
            });
    connect(m_source.get(), &StationSource::batchReceived, this, &HostApplication::DataAvailable);
    // A new APRS-IS source asks for the same stations as the one before.
    if (m_aprsIs) {
        m_aprsIs->setWatchedCallsigns(m_watched);
        m_aprsIs->applySettings(m_model.current());
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
    m_model.moveOwnPosition(latitude, longitude);
}

void LocalHost::reconnectNow()
{
    if (m_source)
        m_source->reconnectNow();
    if (m_position)
        m_position->reconnectNow();
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

StatusPart LocalHost::positionStatus() const
{
    if (m_position) {
        // A good fix is no use while the own station cannot be put in the table.
        const StatusPart state = m_position->status();
        const StatusPart callsign = callsignStatus();
        return state.failure || callsign.text.isEmpty() ? state : callsign;
    }
    if (!m_model.current().hasOwnPosition) {
        return {QStringLiteral("Own position unknown: distances cannot be measured "
                               "(uiview32.ini, STATION, LATITUDE/LONGITUDE)"),
                true};
    }
    return callsignStatus();
}

StatusPart LocalHost::callsignStatus() const
{
    // Distances are measured from the own station's line in the table.
    const HostSettings &settings = m_model.current();
    if (!settings.hasOwnPosition || m_table.hasOwnStation())
        return {};
    const QString call = settings.callsign.trimmed();
    return {call.isEmpty() ? QStringLiteral("No own callsign: distances cannot be measured "
                                            "(uiview32.ini, STATION, CALLSIGN is empty)")
                           : QStringLiteral("Own callsign \"%1\" cannot be used: distances cannot be measured "
                                            "(uiview32.ini, STATION, CALLSIGN: letters, digits and an SSID)")
                                 .arg(call.left(20)),
            true};
}

std::optional<double> LocalHost::ownCourse() const
{
    if (!m_position || !m_position->hasFix())
        return std::nullopt;
    return m_position->lastFix()->course;
}

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
    const HostSettings &settings = m_model.current();
    if (m_position) {
        parts.append(m_position->status());
        if (const StatusPart callsign = callsignStatus(); !callsign.text.isEmpty())
            parts.append(callsign);
    } else if (const StatusPart position = positionStatus(); !position.text.isEmpty()) {
        parts.append(position);
    }
    for (const QString &problem : settings.problems)
        parts.append({problem, true});
    if (m_aprsIs && m_aprsIs->buddiesLeftOut() > 0) {
        parts.append({QStringLiteral("Watch list too long for the APRS-IS filter: %1 callsigns left out")
                          .arg(m_aprsIs->buddiesLeftOut()),
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
    // The simulated stations are placed around the fixed own position.
    const bool demo = b.source.kind == SourceSpec::Kind::Demo && !b.positionFromGpsd;
    const bool positionMatters = demo && (a.ownLatitude != b.ownLatitude || a.ownLongitude != b.ownLongitude);
    const bool replay = b.source.kind == SourceSpec::Kind::Replay;
    const bool serial = b.source.kind == SourceSpec::Kind::Serial;
    return a.source.format() != b.source.format() || (replay && (a.replayMs != b.replayMs || a.folder != b.folder))
           || (serial && a.serialInit != b.serialInit) || positionMatters;
}

bool positionSourceDiffers(const HostSettings &a, const HostSettings &b)
{
    return a.positionFromGpsd != b.positionFromGpsd
           || (b.positionFromGpsd && (a.gpsdHost != b.gpsdHost || a.gpsdPort != b.gpsdPort));
}

} // namespace

void LocalHost::applySettings(const HostSettings &settings)
{
    m_model.apply(settings);
}

void LocalHost::follow(const HostSettings &old, const HostSettings &now)
{
    m_table.setUnit(now.unitsMiles ? DistanceUnit::Miles : DistanceUnit::Kilometres);
    m_table.setExpiryMinutes(now.expireMinutes);
    placeOwnStation(now);

    if (positionSourceDiffers(old, now)) {
        setPositionSource(now.positionFromGpsd ? std::make_unique<GpsdPositionSource>(now.gpsdHost, now.gpsdPort)
                                               : nullptr);
        if (m_started && m_position)
            m_position->start();
    }

    if (!sourceDiffers(old, now)) {
        // The range filter follows the own position and the range, on the
        // open connection and at every later login.
        if (m_aprsIs)
            m_aprsIs->applySettings(now);
        return;
    }
    // The old source goes before anything it heard, so nothing late arrives.
    m_source.reset();
    m_aprsIs = nullptr;
    m_table.clear();
    adoptSource(makeStationSource(now));
    if (m_started && m_source)
        m_source->start();
}

} // namespace nearbell
