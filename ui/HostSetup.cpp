#include "ui/HostSetup.h"

#include <QFileInfo>

#include <algorithm>

#include "host/HostSettings.h"
#include "host/SourceId.h"
#include "host/aprs/NetworkStationSource.h"
#include "platform/SerialDevices.h"
#include "platform/Windows1252.h"

namespace nearbell {

namespace {

constexpr int kMaxFilter = 512;
constexpr int kMaxPath = 4096;
constexpr int kMaxHostName = 253;

// The reason a free text cannot be stored, or empty.
QString storableProblem(const QString &text, int maxLength)
{
    if (text.size() > maxLength)
        return QStringLiteral("Too long: at most %1 characters").arg(maxLength);
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return QStringLiteral("Control characters cannot be stored");
        if (windows1252Code(c) < 0)
            return QStringLiteral("The character \u201c%1\u201d cannot be stored").arg(c);
    }
    return {};
}

// A whole number from minimum to maximum, or the reason it is not.
QString numberProblem(const QString &text, qint64 minimum, qint64 maximum, const QString &what)
{
    const QString trimmed = text.trimmed();
    const QString range = QStringLiteral("%1 from %2 to %3").arg(what).arg(minimum).arg(maximum);
    if (trimmed.isEmpty())
        return QStringLiteral("Enter %1").arg(range);
    bool digitsOnly = trimmed.size() <= 12;
    for (QChar c : trimmed)
        digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
    const qint64 value = digitsOnly ? trimmed.toLongLong() : -1;
    if (!digitsOnly || value < minimum || value > maximum)
        return QStringLiteral("Must be %1").arg(range);
    return {};
}

QString hostProblem(const QString &text, const QString &what)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("Enter the %1").arg(what);
    if (trimmed.size() > kMaxHostName)
        return QStringLiteral("Too long: at most %1 characters").arg(kMaxHostName);
    for (QChar c : trimmed) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
                           || c == u'.' || c == u'-' || c == u':';
        if (!plain)
            return QStringLiteral("Only letters, digits, \".\", \"-\" and the \":\" of an IPv6 address");
    }
    return {};
}


QString orDefault(const QString &text, const QString &fallback)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? fallback : trimmed;
}

// A file named in the profile: relative names are found in folder.
QString fileProblem(const QString &text, const QString &folder, bool required, const QString &what)
{
    const QString path = text.trimmed();
    if (path.isEmpty())
        return required ? QStringLiteral("Enter the %1").arg(what) : QString();
    if (const QString problem = storableProblem(path, kMaxPath); !problem.isEmpty())
        return problem;
    SourceLine sourceLine;
    sourceLine.file = path;
    const QFileInfo info(sourceLine.replayPath(folder));
    if (!info.exists())
        return QStringLiteral("No such file");
    if (!info.isFile() || !info.isReadable())
        return QStringLiteral("Not a readable file");
    return {};
}

// Both position fields empty: with gpsd, a fixed position only serves
// until the first fix and may be left out.
bool fixedOptional(const HostSetup &setup)
{
    return setup.positionFromGpsd && setup.latitude.trimmed().isEmpty() && setup.longitude.trimmed().isEmpty();
}

} // namespace

HostSetup::HostSetup()
{
    const HostSettings defaults;
    kissHost = SourceLine::defaultKissHost();
    kissPort = QString::number(SourceLine::kDefaultKissPort);
    serialSpeed = QString::number(SourceLine::kDefaultSerialSpeed);
    aprsIsServer = SourceLine::defaultAprsIsServer();
    aprsIsPort = QString::number(SourceLine::kDefaultAprsIsPort);
    rangeKm = QString::number(defaults.rangeKm);
    replayMs = QString::number(defaults.replayMs);
    expire = QString::number(defaults.expireMinutes);
    gpsdAddress = SourceLine::hostPort(defaults.gpsdHost, defaults.gpsdPort);
    unitsMiles = defaults.unitsMiles;
    source = defaults.source.kind;
}

HostSetup HostSetup::fromTexts(const HostProfile::Texts &texts, const QString &folder)
{
    HostSetup setup;
    setup.folder = folder;
    setup.callsign = texts.callsign.trimmed();
    setup.latitude = texts.latitude.trimmed();
    setup.longitude = texts.longitude.trimmed();
    setup.unitsMiles = texts.units.trimmed().compare(QLatin1String("MILES"), Qt::CaseInsensitive) == 0;
    setup.expire = orDefault(texts.expire, setup.expire);
    setup.rangeKm = orDefault(texts.rangeKm, setup.rangeKm);
    setup.filter = texts.filter.trimmed();
    setup.replayMs = orDefault(texts.replayMs, setup.replayMs);
    setup.serialInit = texts.serialInit.trimmed();

    // "GPSD" alone is gpsd at its usual address; anything else written
    // there is shown as the address, with the reason beside it.
    const QString position = texts.position.trimmed();
    if (!position.isEmpty()) {
        setup.positionFromGpsd = true;
        const bool gpsd = position.section(u' ', 0, 0).compare(QLatin1String("GPSD"), Qt::CaseInsensitive) == 0;
        const QString address = gpsd ? position.section(u' ', 1, -1, QString::SectionSkipEmpty) : position;
        setup.gpsdAddress = orDefault(address, setup.gpsdAddress);
    }

    const SourceLine sourceLine = SourceLine::parse(texts.source);
    setup.source = sourceLine.kind;
    switch (sourceLine.kind) {
    case Source::Kiss:
        setup.kissHost = sourceLine.host;
        setup.kissPort = QString::number(sourceLine.port);
        break;
    case Source::AprsIs:
        setup.aprsIsServer = sourceLine.host;
        setup.aprsIsPort = QString::number(sourceLine.port);
        break;
    case Source::Serial:
        setup.serialDevice = sourceLine.device;
        setup.serialSpeed = QString::number(sourceLine.speed);
        break;
    case Source::Replay:
        setup.replayFile = sourceLine.file;
        break;
    case Source::Unknown:
        setup.unknownSource = sourceLine.written;
        break;
    case Source::Demo:
    case Source::None:
        break;
    }
    setup.sourceLines = QStringList{texts.source.trimmed()};
    setup.sourceKeys = {0};
    const QString more[] = {texts.source2, texts.source3, texts.source4};
    for (int key = 1; key < HostSettings::kMaxSources; ++key) {
        if (!more[key - 1].trimmed().isEmpty()) {
            setup.sourceLines.append(more[key - 1].trimmed());
            setup.sourceKeys.append(key);
        }
    }
    return setup;
}

QString HostSetup::sourceText() const
{
    switch (source) {
    case Source::Kiss:
        return SourceLine::compose(source, SourceLine::hostPort(kissHost.trimmed(), kissPort.trimmed()));
    case Source::AprsIs:
        return SourceLine::compose(source, SourceLine::hostPort(aprsIsServer.trimmed(), aprsIsPort.trimmed()));
    case Source::Serial:
        return SourceLine::compose(source, serialDevice.trimmed() + u' ' + serialSpeed.trimmed());
    case Source::Replay:
        return SourceLine::compose(source, replayFile.trimmed());
    case Source::Unknown:
        return unknownSource;
    case Source::Demo:
    case Source::None:
        break;
    }
    return SourceLine::compose(source);
}

HostProfile::Texts HostSetup::toTexts() const
{
    HostProfile::Texts texts;
    texts.callsign = callsign.trimmed().toUpper();
    texts.latitude = latitude.trimmed();
    texts.longitude = longitude.trimmed();
    texts.position = positionFromGpsd ? QStringLiteral("GPSD ") + gpsdAddress.trimmed() : QString();
    texts.source = sourceText();
    texts.units = unitsMiles ? QStringLiteral("MILES") : QStringLiteral("KM");
    texts.expire = expire.trimmed();
    texts.rangeKm = rangeKm.trimmed();
    texts.filter = filter.trimmed();
    texts.replayMs = replayMs.trimmed();
    texts.serialInit = serialInit.trimmed();
    // Each line under its own key while the keys still rise from SOURCE;
    // otherwise one after the other.
    const QStringList all = lines();
    bool keep = sourceKeys.size() == all.size() && sourceKeys.value(0) == 0;
    for (int i = 1; keep && i < sourceKeys.size(); ++i)
        keep = sourceKeys[i] > sourceKeys[i - 1];
    QString *keys[] = {&texts.source, &texts.source2, &texts.source3, &texts.source4};
    for (int i = 0; i < all.size() && i < HostSettings::kMaxSources; ++i)
        *keys[keep ? sourceKeys[i] : i] = all[i];
    return texts;
}

bool HostSetup::fieldInUse(Field field) const
{
    switch (field) {
    case Field::KissHost:
    case Field::KissPort:
        return source == Source::Kiss;
    case Field::SerialDevice:
    case Field::SerialSpeed:
    case Field::SerialInit:
        return source == Source::Serial;
    case Field::GpsdAddress:
        return positionFromGpsd;
    case Field::AprsIsServer:
    case Field::AprsIsPort:
    case Field::RangeKm:
    case Field::Filter:
        return source == Source::AprsIs;
    case Field::ReplayFile:
    case Field::ReplayMs:
        return source == Source::Replay;
    default:
        return true;
    }
}

QString HostSetup::sourceProblem() const
{
    return source == Source::Unknown ? SourceLine::parse(unknownSource).problem : QString();
}

QString HostSetup::problem(Field field) const
{
    if (!fieldInUse(field))
        return {};
    switch (field) {
    case Field::Callsign: {
        const QString call = callsign.trimmed();
        if (call.isEmpty())
            return QStringLiteral("Enter your callsign");
        if (call.size() > 9)
            return QStringLiteral("Too long: up to 6 letters and digits, then an SSID such as -9");
        const qsizetype dash = call.indexOf(u'-');
        const QString base = dash < 0 ? call : call.first(dash);
        const QString ssid = dash < 0 ? QString() : call.sliced(dash + 1);
        auto alnum = [](const QString &part) {
            for (QChar c : part) {
                if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')))
                    return false;
            }
            return true;
        };
        if (base.isEmpty() || base.size() > 6 || !alnum(base) || (dash >= 0 && (ssid.isEmpty() || !alnum(ssid))))
            return QStringLiteral("Letters and digits (up to 6), then an SSID such as -9 if you use one");
        // AX.25 has four bits for it.
        if (dash >= 0 && !numberProblem(ssid, 0, 15, QString()).isEmpty())
            return QStringLiteral("The SSID after \"-\" must be a number from 0 to 15");
        if (call.compare(QLatin1String("NOCALL"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("NOCALL stands for no callsign: enter yours");
        return {};
    }
    case Field::Latitude:
        if (fixedOptional(*this))
            return {};
        if (latitude.trimmed().isEmpty())
            return QStringLiteral("Enter your latitude");
        if (latitude.size() > 64 || !HostProfile::parseLatitude(latitude.trimmed()))
            return QStringLiteral("Not a latitude the profile can read, for example 5130.00N");
        return {};
    case Field::Longitude:
        if (fixedOptional(*this))
            return {};
        if (longitude.trimmed().isEmpty())
            return QStringLiteral("Enter your longitude");
        if (longitude.size() > 64 || !HostProfile::parseLongitude(longitude.trimmed()))
            return QStringLiteral("Not a longitude the profile can read, for example 00007.50W");
        return {};
    case Field::GpsdAddress: {
        QString host;
        quint16 port = 0;
        if (gpsdAddress.size() > kMaxHostName + 8
            || !NetworkStationSource::parseHostPort(gpsdAddress.trimmed(), host, port))
            return QStringLiteral("Enter host:port, for example 127.0.0.1:2947");
        return hostProblem(host, QStringLiteral("gpsd host"));
    }
    case Field::KissHost:
        return hostProblem(kissHost, QStringLiteral("TNC's host name or address"));
    case Field::AprsIsServer:
        return hostProblem(aprsIsServer, QStringLiteral("server's host name or address"));
    case Field::KissPort:
    case Field::AprsIsPort:
        return numberProblem(field == Field::KissPort ? kissPort : aprsIsPort, 1, 65535, QStringLiteral("a port"));
    case Field::SerialDevice: {
        const QString device = serialDevice.trimmed();
        if (device.isEmpty())
            return QStringLiteral("Choose or type the TNC's serial device");
        if (device.contains(u' '))
            return QStringLiteral("A device name holds no blanks");
        if (const QString problem = storableProblem(device, kMaxPath); !problem.isEmpty())
            return problem;
        return SerialDevices::problem(device);
    }
    case Field::SerialSpeed:
        return numberProblem(serialSpeed, SourceLine::kMinSerialSpeed, SourceLine::kMaxSerialSpeed,
                             QStringLiteral("a speed"));
    case Field::SerialInit:
        return fileProblem(serialInit, folder, false, QString());
    case Field::RangeKm:
        return numberProblem(rangeKm, 1, HostSettings::kMaxRangeKm, QStringLiteral("kilometres"));
    case Field::Filter:
        return storableProblem(filter.trimmed(), kMaxFilter);
    case Field::ReplayFile:
        return fileProblem(replayFile, folder, true, QStringLiteral("replay file"));
    case Field::ReplayMs:
        // The lines are played one after the other: 0 ms would mean all at once.
        return numberProblem(replayMs, 1, HostSettings::kMaxReplayMs, QStringLiteral("milliseconds"));
    case Field::Expire:
        return numberProblem(expire, 1, HostSettings::kMaxExpireMinutes, QStringLiteral("minutes"));
    }
    return {};
}

bool HostSetup::valid() const
{
    for (int i = 0; i < int(lines().size()); ++i) {
        if (!lineProblem(i).isEmpty())
            return false;
    }
    if (!sourceProblem().isEmpty())
        return false;
    for (Field field : kFields) {
        if (!problem(field).isEmpty())
            return false;
    }
    return true;
}

QString *HostSetup::member(Field field)
{
    switch (field) {
    case Field::Callsign: return &callsign;
    case Field::Latitude: return &latitude;
    case Field::Longitude: return &longitude;
    case Field::GpsdAddress: return &gpsdAddress;
    case Field::KissHost: return &kissHost;
    case Field::KissPort: return &kissPort;
    case Field::SerialDevice: return &serialDevice;
    case Field::SerialSpeed: return &serialSpeed;
    case Field::SerialInit: return &serialInit;
    case Field::AprsIsServer: return &aprsIsServer;
    case Field::AprsIsPort: return &aprsIsPort;
    case Field::RangeKm: return &rangeKm;
    case Field::Filter: return &filter;
    case Field::ReplayFile: return &replayFile;
    case Field::ReplayMs: return &replayMs;
    case Field::Expire: return &expire;
    }
    return &callsign;
}

QString HostSetup::text(Field field) const
{
    return *const_cast<HostSetup *>(this)->member(field);
}

void HostSetup::setText(Field field, const QString &value)
{
    *member(field) = value;
}

namespace {

// The fields that describe the source being edited.
constexpr HostSetup::Field kSourceFields[] = {
    HostSetup::Field::KissHost,     HostSetup::Field::KissPort,   HostSetup::Field::SerialDevice,
    HostSetup::Field::SerialSpeed,  HostSetup::Field::SerialInit, HostSetup::Field::AprsIsServer,
    HostSetup::Field::AprsIsPort,   HostSetup::Field::RangeKm,    HostSetup::Field::Filter,
    HostSetup::Field::ReplayFile,   HostSetup::Field::ReplayMs};

} // namespace

QStringList HostSetup::lines() const
{
    // Every line as its meaning writes it, so that looking at a line and
    // leaving it changes nothing.
    QStringList all;
    for (const QString &line : sourceLines)
        all.append(SourceLine::parse(line).format());
    if (all.isEmpty())
        all.append(QString());
    all[editing] = sourceText();
    return all;
}

void HostSetup::loadSource(const QString &line)
{
    HostProfile::Texts texts;
    texts.source = line;
    const HostSetup read = fromTexts(texts, folder);
    source = read.source;
    kissHost = read.kissHost;
    kissPort = read.kissPort;
    serialDevice = read.serialDevice;
    serialSpeed = read.serialSpeed;
    aprsIsServer = read.aprsIsServer;
    aprsIsPort = read.aprsIsPort;
    replayFile = read.replayFile;
    unknownSource = read.unknownSource;
}

bool HostSetup::editSource(int index)
{
    // A line is left only in a state it can be stored in, so that its kind
    // and fields come back as they were.
    if (index < 0 || index >= lines().size() || index == editing || !lineProblem(editing).isEmpty())
        return false;
    sourceLines = lines();
    editing = index;
    loadSource(sourceLines[index]);
    return true;
}

bool HostSetup::addSource()
{
    if (lines().size() >= HostSettings::kMaxSources || !lineProblem(editing).isEmpty())
        return false;
    sourceLines = lines();
    sourceLines.append(SourceLine::compose(
        Source::AprsIs, SourceLine::hostPort(SourceLine::defaultAprsIsServer(), SourceLine::kDefaultAprsIsPort)));
    sourceKeys.append(-1);
    editing = int(sourceLines.size()) - 1;
    loadSource(sourceLines.back());
    return true;
}

bool HostSetup::removeSource(int index)
{
    sourceLines = lines();
    if (sourceLines.size() <= 1 || index < 0 || index >= sourceLines.size())
        return false;
    sourceLines.removeAt(index);
    if (index < sourceKeys.size())
        sourceKeys.removeAt(index);
    editing = std::min(index, int(sourceLines.size()) - 1);
    loadSource(sourceLines[editing]);
    return true;
}

bool HostSetup::sharedField(Field field)
{
    return field == Field::RangeKm || field == Field::Filter || field == Field::SerialInit || field == Field::ReplayMs;
}

QString HostSetup::lineProblem(int index) const
{
    HostSetup line = *this;
    if (index != editing)
        line.loadSource(sourceLines.value(index));
    if (const QString problem = line.sourceProblem(); !problem.isEmpty())
        return problem;
    for (Field field : kSourceFields) {
        // What every source of a kind shares is told beside its field and
        // on the line being edited, never on another line of that kind.
        if (index != editing && sharedField(field))
            continue;
        if (const QString problem = line.problem(field); !problem.isEmpty())
            return problem;
    }
    // The host hears each source once: a second line of it would be lost.
    const QStringList all = lines();
    const SourceId id = SourceId::of(all.value(index));
    for (int earlier = 0; earlier < index; ++earlier) {
        if (SourceId::of(all[earlier]) == id)
            return QStringLiteral("The same source as line %1: remove one of them").arg(earlier + 1);
    }
    return {};
}

} // namespace nearbell
