#include "host/HostSetup.h"

#include <QFileInfo>

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

// host:port, with an IPv6 address in brackets.
QString hostPort(const QString &host, const QString &port)
{
    const QString name = host.trimmed();
    if (name.contains(u':'))
        return u'[' + name + QStringLiteral("]:") + port.trimmed();
    return name + u':' + port.trimmed();
}

// Splits "host:port" / "[v6]:port"; a text without a port goes to host whole.
void splitHostPort(const QString &text, QString &host, QString &port)
{
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.lastIndexOf(u':');
    const bool bracketed = trimmed.startsWith(u'[');
    const qsizetype close = trimmed.indexOf(u']');
    if (colon <= 0 || (bracketed && colon < close) || (!bracketed && trimmed.count(u':') > 1)) {
        host = trimmed;
        return;
    }
    host = trimmed.first(colon);
    if (bracketed && host.endsWith(u']'))
        host = host.sliced(1, host.size() - 2);
    port = trimmed.sliced(colon + 1);
}

QString orDefault(const QString &text, const QString &fallback)
{
    const QString trimmed = text.trimmed();
    return trimmed.isEmpty() ? fallback : trimmed;
}

} // namespace

HostSetup HostSetup::fromTexts(const HostProfile::Texts &texts)
{
    HostSetup setup;
    setup.callsign = texts.callsign.trimmed();
    setup.latitude = texts.latitude.trimmed();
    setup.longitude = texts.longitude.trimmed();
    setup.unitsMiles = texts.units.trimmed().compare(QLatin1String("MILES"), Qt::CaseInsensitive) == 0;
    setup.expire = orDefault(texts.expire, setup.expire);
    setup.rangeKm = orDefault(texts.rangeKm, setup.rangeKm);
    setup.filter = texts.filter.trimmed();
    setup.replayMs = orDefault(texts.replayMs, setup.replayMs);

    const QString source = texts.source.trimmed();
    const QString kind = source.section(u' ', 0, 0, QString::SectionSkipEmpty).toUpper();
    const QString argument = source.section(u' ', 1, -1, QString::SectionSkipEmpty);
    if (kind == QLatin1String("DEMO")) {
        setup.source = Source::Demo;
    } else if (kind == QLatin1String("NONE")) {
        setup.source = Source::None;
    } else if (kind == QLatin1String("APRSIS")) {
        setup.source = Source::AprsIs;
        splitHostPort(argument, setup.aprsIsServer, setup.aprsIsPort);
    } else if (kind == QLatin1String("REPLAY")) {
        setup.source = Source::Replay;
        setup.replayFile = argument;
    } else if (kind == QLatin1String("KISS")) {
        splitHostPort(argument, setup.kissHost, setup.kissPort);
    }
    return setup;
}

QString HostSetup::sourceText() const
{
    switch (source) {
    case Source::Demo:
        return QStringLiteral("DEMO");
    case Source::Kiss:
        return QStringLiteral("KISS ") + hostPort(kissHost, kissPort);
    case Source::AprsIs:
        return QStringLiteral("APRSIS ") + hostPort(aprsIsServer, aprsIsPort);
    case Source::Replay:
        return QStringLiteral("REPLAY ") + replayFile.trimmed();
    case Source::None:
        break;
    }
    return QStringLiteral("NONE");
}

HostProfile::Texts HostSetup::toTexts() const
{
    HostProfile::Texts texts;
    texts.callsign = callsign.trimmed().toUpper();
    texts.latitude = latitude.trimmed();
    texts.longitude = longitude.trimmed();
    texts.source = sourceText();
    texts.units = unitsMiles ? QStringLiteral("MILES") : QStringLiteral("KM");
    texts.expire = expire.trimmed();
    texts.rangeKm = rangeKm.trimmed();
    texts.filter = filter.trimmed();
    texts.replayMs = replayMs.trimmed();
    return texts;
}

bool HostSetup::fieldInUse(Field field) const
{
    switch (field) {
    case Field::KissHost:
    case Field::KissPort:
        return source == Source::Kiss;
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
        if (base.isEmpty() || base.size() > 6 || !alnum(base) || (dash >= 0 && (ssid.isEmpty() || ssid.size() > 2 || !alnum(ssid))))
            return QStringLiteral("Letters and digits (up to 6), then an SSID such as -9 if you use one");
        if (call.compare(QLatin1String("NOCALL"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("NOCALL stands for no callsign: enter yours");
        return {};
    }
    case Field::Latitude:
        if (latitude.trimmed().isEmpty())
            return QStringLiteral("Enter your latitude");
        if (latitude.size() > 64 || !HostProfile::parseLatitude(latitude.trimmed()))
            return QStringLiteral("Not a latitude the profile can read, for example 5130.00N");
        return {};
    case Field::Longitude:
        if (longitude.trimmed().isEmpty())
            return QStringLiteral("Enter your longitude");
        if (longitude.size() > 64 || !HostProfile::parseLongitude(longitude.trimmed()))
            return QStringLiteral("Not a longitude the profile can read, for example 00007.50W");
        return {};
    case Field::KissHost:
        return hostProblem(kissHost, QStringLiteral("TNC's host name or address"));
    case Field::AprsIsServer:
        return hostProblem(aprsIsServer, QStringLiteral("server's host name or address"));
    case Field::KissPort:
    case Field::AprsIsPort:
        return numberProblem(field == Field::KissPort ? kissPort : aprsIsPort, 1, 65535, QStringLiteral("a port"));
    case Field::RangeKm:
        return numberProblem(rangeKm, 1, 20000, QStringLiteral("kilometres"));
    case Field::Filter:
        return storableProblem(filter.trimmed(), kMaxFilter);
    case Field::ReplayFile: {
        const QString path = replayFile.trimmed();
        if (path.isEmpty())
            return QStringLiteral("Enter the replay file");
        if (const QString problem = storableProblem(path, kMaxPath); !problem.isEmpty())
            return problem;
        const QFileInfo info(path);
        if (!info.exists())
            return QStringLiteral("No such file");
        if (!info.isFile() || !info.isReadable())
            return QStringLiteral("Not a readable file");
        return {};
    }
    case Field::ReplayMs:
        return numberProblem(replayMs, 0, 3600000, QStringLiteral("milliseconds"));
    case Field::Expire:
        return numberProblem(expire, 1, 10080, QStringLiteral("minutes"));
    }
    return {};
}

bool HostSetup::valid() const
{
    for (Field field : kFields) {
        if (!problem(field).isEmpty())
            return false;
    }
    return true;
}

QString HostSetup::text(Field field) const
{
    switch (field) {
    case Field::Callsign: return callsign;
    case Field::Latitude: return latitude;
    case Field::Longitude: return longitude;
    case Field::KissHost: return kissHost;
    case Field::KissPort: return kissPort;
    case Field::AprsIsServer: return aprsIsServer;
    case Field::AprsIsPort: return aprsIsPort;
    case Field::RangeKm: return rangeKm;
    case Field::Filter: return filter;
    case Field::ReplayFile: return replayFile;
    case Field::ReplayMs: return replayMs;
    case Field::Expire: return expire;
    }
    return {};
}

void HostSetup::setText(Field field, const QString &value)
{
    switch (field) {
    case Field::Callsign: callsign = value; break;
    case Field::Latitude: latitude = value; break;
    case Field::Longitude: longitude = value; break;
    case Field::KissHost: kissHost = value; break;
    case Field::KissPort: kissPort = value; break;
    case Field::AprsIsServer: aprsIsServer = value; break;
    case Field::AprsIsPort: aprsIsPort = value; break;
    case Field::RangeKm: rangeKm = value; break;
    case Field::Filter: filter = value; break;
    case Field::ReplayFile: replayFile = value; break;
    case Field::ReplayMs: replayMs = value; break;
    case Field::Expire: expire = value; break;
    }
}

} // namespace nearbell
