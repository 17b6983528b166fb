#include "host/LocalHost.h"

#include <QTextStream>

#include <algorithm>
#include <limits>

#include "host/DemoSource.h"
#include "host/HostProfile.h"
#include "host/StationSourceFactory.h"
#include "host/aprs/AprsIsSource.h"

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
    connect(&m_table, &StationTable::positionConflict, this, &LocalHost::tellConflict);

    adoptSources(std::move(sources));

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
    for (size_t line = 0; line < sources.size(); ++line) {
        std::unique_ptr<StationSource> &source = sources[line];
        if (!source)
            continue;
        if (m_sources.size() == size_t(kMaxSources)) {
            QTextStream(stderr) << "Station source \"" << source->name() << "\" left out: at most "
                                << kMaxSources << " sources are heard at once\n";
            continue;
        }
        m_sources.push_back(Slot{std::move(source), nullptr, int(line)});
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
    // A demo waiting for the first fix is placed around it.
    if (auto *demo = qobject_cast<DemoSource *>(source); demo && demo->waitingForCentre()) {
        connect(&m_model, &HostSettingsModel::changed, demo, [demo](const HostSettings &, const HostSettings &now) {
            if (now.hasOwnPosition)
                demo->centreOn(now.ownLatitude, now.ownLongitude);
        });
    }
    // A new APRS-IS source asks for the same stations as the one before.
    if (slot.aprsIs) {
        slot.aprsIs->setWatchedCallsigns(m_watched);
        slot.aprsIs->applySettings(m_model.current());
    }
}

void LocalHost::take(int index, const StationReport &report)
{
    // On the table's steady clock: a step of the wall clock forgets no copy.
    if (!m_duplicates.admit(index, report.packet, m_table.elapsedMs())) {
        // The internet's copy may come first; the radio's still says how it was heard.
        if (report.heardDirectly)
            m_table.noteHeardDirect(report.callsign);
        return;
    }
    StationReport named = report;
    named.source = m_sources[size_t(index)].source->name();
    m_table.apply(named);
}

void LocalHost::tellConflict(const QString &callsign, const QString &earlier, const QString &later)
{
    const qint64 now = m_table.elapsedMs();
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
    m_model.moveOwnPosition(latitude, longitude);
}

void LocalHost::reconnectNow()
{
    for (const Slot &slot : m_sources)
        slot.source->reconnectNow();
    if (m_position)
        m_position->reconnectNow();
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
    HostStation::Details details;
    details.symbolTable = found->symbolTable;
    details.symbolCode = found->symbolCode;
    details.heardDirectRecently = m_table.heardDirectRecently(*found);
    details.lastHeardDirect = found->lastHeardDirect;
    details.bearing = m_table.bearingOf(*found);
    details.source = found->source;
    details.course = found->course;
    details.speedKmh = found->speedKmh;
    details.altitudeM = found->altitudeM;
    details.motionAgeMs = m_table.motionAgeMs(*found);
    details.priorCourse = found->priorCourse;
    details.courseGapMs = found->courseGapMs;
    details.comment = found->comment;
    details.status = found->status;
    details.path = found->path;
    details.packets = found->packets;
    details.firstHeard = found->firstHeard;
    details.lastHeard = found->lastHeard;
    details.track = found->track;
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

std::optional<double> LocalHost::ownSpeedKmh() const
{
    if (!m_position || !m_position->hasFix())
        return std::nullopt;
    return m_position->lastFix()->speedKmh;
}

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
    // Every APRS-IS source asks for the same watch list: told once.
    for (const Slot &slot : m_sources) {
        if (slot.aprsIs && slot.aprsIs->buddiesLeftOut() > 0) {
            parts.append({QStringLiteral("Watch list too long for the APRS-IS filter: %1 callsigns left out")
                              .arg(slot.aprsIs->buddiesLeftOut()),
                          true});
            break;
        }
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

// Whether the source b made with the set-up now would differ from the
// source a made with the set-up old.
bool sourceDiffers(const SourceLine &a, const HostSettings &old, const SourceLine &b, const HostSettings &now)
{
    // The simulated stations are placed around the fixed own position.
    const bool demo = b.kind == SourceLine::Kind::Demo && !now.positionFromGpsd;
    const bool positionMatters = demo && (old.ownLatitude != now.ownLatitude || old.ownLongitude != now.ownLongitude);
    const bool replay = b.kind == SourceLine::Kind::Replay;
    const bool serial = b.kind == SourceLine::Kind::Serial;
    return a.format() != b.format() || (replay && (old.replayMs != now.replayMs || old.folder != now.folder))
           || (serial && old.serialInit != now.serialInit) || positionMatters;
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

    // A source stays when its line names the same as before; the others
    // are made anew.
    const QList<SourceLine> before = old.sources();
    const QList<SourceLine> after = now.sources();
    const auto stays = [&](int i) {
        return i < before.size() && i < after.size() && !sourceDiffers(before[i], old, after[i], now);
    };
    bool changed = before.size() != after.size();
    for (int i = 0; i < after.size(); ++i)
        changed = changed || !stays(i);
    if (!changed) {
        // The range filter follows the own position and the range, on the
        // open connection and at every later login.
        for (Slot &slot : m_sources) {
            if (slot.aprsIs)
                slot.aprsIs->applySettings(now);
        }
        return;
    }

    std::vector<std::unique_ptr<StationSource>> next(size_t(after.size()));
    std::vector<bool> kept(next.size(), false);
    QStringList gone;
    for (Slot &slot : m_sources) {
        if (slot.line >= 0 && stays(slot.line)) {
            slot.source->disconnect(this);
            kept[size_t(slot.line)] = true;
            next[size_t(slot.line)] = std::move(slot.source);
        } else {
            gone.append(slot.source->name());
        }
    }
    // The old sources go before anything they heard, so nothing late arrives.
    const bool noneKept = std::none_of(kept.cbegin(), kept.cend(), [](bool k) { return k; });
    m_sources.clear();
    if (noneKept)
        m_table.clear();
    else
        m_table.removeHeardBy(gone);
    for (int i = 0; i < after.size(); ++i) {
        if (!kept[size_t(i)])
            next[size_t(i)] = makeStationSource(after[i], now);
    }
    // Wiring tells every APRS-IS source, kept or new, the set-up now.
    adoptSources(std::move(next));
    for (Slot &slot : m_sources) {
        if (m_started && !kept[size_t(slot.line)])
            slot.source->start();
    }
}

} // namespace nearbell
