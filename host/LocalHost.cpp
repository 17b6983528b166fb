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

    adoptSources(std::move(sources), settings.sources());

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

std::unique_ptr<LocalHost> LocalHost::create(const QString &hostProfilePath, const QString &callsign,
                                             QObject *parent)
{
    HostSettings settings = HostProfile::read(hostProfilePath);
    if (!callsign.isNull())
        settings.callsign = callsign;
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

void LocalHost::adoptSources(std::vector<std::unique_ptr<StationSource>> sources, const QList<SourceLine> &lines)
{
    m_sources.clear();
    for (size_t line = 0; line < sources.size(); ++line) {
        std::unique_ptr<StationSource> &source = sources[line];
        if (!source)
            continue;
        const SourceId id = !source->name().isEmpty() ? SourceId::of(source->name())
                            : qsizetype(line) < lines.size() ? SourceId(lines[qsizetype(line)])
                                                             : SourceId();
        if (!id.isEmpty() && sourceOf(id)) {
            QTextStream(stderr) << "Station source \"" << id.text()
                                << "\" is named twice in the set-up: it is heard once\n";
            continue;
        }
        if (m_sources.size() == size_t(kMaxSources)) {
            QTextStream(stderr) << "Station source \"" << source->name() << "\" left out: at most "
                                << kMaxSources << " sources are heard at once\n";
            continue;
        }
        m_sources.push_back(Slot{std::move(source), nullptr, SourceLine::parse(id.text()), id});
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

StationSource *LocalHost::sourceOf(const SourceId &id) const
{
    for (const Slot &slot : m_sources) {
        if (slot.id == id)
            return slot.source.get();
    }
    return nullptr;
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

StatusPart LocalHost::stateOf(const Slot &slot)
{
    // Named as the set-up, the table and the history name it.
    StatusPart state = slot.source->status();
    const QString &name = slot.source->name();
    if (!name.isEmpty() && !state.text.startsWith(name, Qt::CaseInsensitive))
        state.text = name + QStringLiteral(": ") + state.text;
    return state;
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
        StatusPart state = stateOf(m_sources.front());
        if (!state.failure)
            state.text += QStringLiteral(", ") + heardText;
        parts.append(state);
    } else {
        // Each source in the colour of its own state, then what they heard together.
        for (const Slot &slot : m_sources)
            parts.append(stateOf(slot));
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

    // Each line takes the running source of its identity, wherever either
    // stands, unless something it was made with has changed; the lines left
    // over are made anew, the sources left over go.
    const QList<SourceLine> before = old.sources();
    const QList<SourceLine> after = now.sources();
    std::vector<std::unique_ptr<StationSource>> next(size_t(after.size()));
    std::vector<int> keptFrom(next.size(), -1);
    std::vector<bool> taken(m_sources.size(), false);
    std::vector<bool> makes(next.size(), false);
    bool inOrder = true;
    int lastTaken = -1;
    for (int i = 0; i < int(after.size()); ++i) {
        const SourceId id(after[i]);
        bool repeated = false;
        for (int j = 0; j < i; ++j)
            repeated = repeated || SourceId(after[j]) == id;
        if (repeated)
            continue; // heard once: adoptSources says so
        for (int s = 0; s < int(m_sources.size()); ++s) {
            if (!taken[size_t(s)] && m_sources[size_t(s)].id == id
                && !sourceDiffers(m_sources[size_t(s)].line, old, after[i], now)) {
                taken[size_t(s)] = true;
                keptFrom[size_t(i)] = s;
                inOrder = inOrder && s > lastTaken;
                lastTaken = s;
                break;
            }
        }
        // A line that stands as before gave no source then (none was given,
        // or it was left out) and gives none now.
        bool asBefore = false;
        for (const SourceLine &earlier : before)
            asBefore = asBefore || (SourceId(earlier) == id && !sourceDiffers(earlier, old, after[i], now));
        makes[size_t(i)] = keptFrom[size_t(i)] < 0 && !asBefore && after[i].kind != SourceLine::Kind::None
                           && after[i].kind != SourceLine::Kind::Unknown;
    }
    const bool allTaken = std::all_of(taken.cbegin(), taken.cend(), [](bool t) { return t; });
    const bool noneMade = std::none_of(makes.cbegin(), makes.cend(), [](bool m) { return m; });
    if (allTaken && inOrder && noneMade) {
        // The range filter follows the own position and the range, on the
        // open connection and at every later login.
        for (Slot &slot : m_sources) {
            if (slot.aprsIs)
                slot.aprsIs->applySettings(now);
        }
        return;
    }

    QStringList gone;
    for (size_t s = 0; s < m_sources.size(); ++s) {
        if (!taken[s])
            gone.append(m_sources[s].id.text());
    }
    std::vector<StationSource *> kept;
    for (size_t i = 0; i < next.size(); ++i) {
        if (keptFrom[i] < 0)
            continue;
        Slot &slot = m_sources[size_t(keptFrom[i])];
        slot.source->disconnect(this);
        kept.push_back(slot.source.get());
        next[i] = std::move(slot.source);
    }
    // The old sources go before anything they heard, so nothing late arrives.
    m_sources.clear();
    if (kept.empty())
        m_table.clear();
    else
        m_table.removeHeardBy(gone);
    for (size_t i = 0; i < next.size(); ++i) {
        if (makes[i])
            next[i] = makeStationSource(after[qsizetype(i)], now);
    }
    // Wiring tells every APRS-IS source, kept or new, the set-up now.
    adoptSources(std::move(next), after);
    for (Slot &slot : m_sources) {
        if (m_started && std::find(kept.cbegin(), kept.cend(), slot.source.get()) == kept.cend())
            slot.source->start();
    }
}

} // namespace nearbell
