#include "host/StationSourceFactory.h"

#include <QTextStream>

#include "host/DemoSource.h"
#include "host/aprs/AprsIsSource.h"
#include "host/aprs/KissSource.h"
#include "host/aprs/ReplaySource.h"
#include "host/aprs/SerialKissSource.h"

namespace nearbell {

namespace {
// The demo runs the same way every time.
constexpr std::uint64_t kDemoSeed = 20260101;

std::unique_ptr<StationSource> makeUnnamed(const QString &source, const QString &kind,
                                           const HostSettings &settings, QObject *parent)
{
    if (kind == QLatin1String("DEMO")) {
        return std::make_unique<DemoSource>(settings.ownLatitude, settings.ownLongitude,
                                            kDemoSeed, parent);
    }
    if (kind == QLatin1String("NONE"))
        return nullptr;

    // network and replay sources
    const QString argument = source.section(u' ', 1, -1, QString::SectionSkipEmpty);
    if (kind == QLatin1String("KISS") || kind == QLatin1String("APRSIS")) {
        QString host;
        quint16 port = 0;
        if (NetworkStationSource::parseHostPort(argument, host, port)) {
            if (kind == QLatin1String("KISS"))
                return std::make_unique<KissSource>(host, port, parent);
            return std::make_unique<AprsIsSource>(host, port, settings, parent);
        }
    }
    if (kind == QLatin1String("SERIAL")) {
        QString device;
        int baudRate = 0;
        if (SerialKissSource::parseSetting(argument, device, baudRate))
            return std::make_unique<SerialKissSource>(device, baudRate, settings.serialInit, parent);
    }
    if (kind == QLatin1String("REPLAY") && !argument.isEmpty())
        return std::make_unique<ReplaySource>(argument, settings.replayMs, parent, settings.folder);

    QTextStream(stderr) << "Station source \"" << source
                        << "\" is not available: no stations will be heard\n";
    return nullptr;
}

} // namespace

std::unique_ptr<StationSource> makeStationSource(const HostSettings &settings, QObject *parent)
{
    const QString source = settings.source.trimmed();
    const QString kind = source.section(u' ', 0, 0, QString::SectionSkipEmpty).toUpper();
    std::unique_ptr<StationSource> made = makeUnnamed(source, kind, settings, parent);
    // Named as set, with the kind in capitals and one blank between words.
    if (made)
        made->setName(QStringList{kind, source.section(u' ', 1, -1, QString::SectionSkipEmpty)}.join(u' ').simplified());
    return made;
}

std::vector<std::unique_ptr<StationSource>> makeStationSources(const HostSettings &settings)
{
    std::vector<std::unique_ptr<StationSource>> sources;
    if (auto source = makeStationSource(settings))
        sources.push_back(std::move(source));
    return sources;
}

} // namespace nearbell
