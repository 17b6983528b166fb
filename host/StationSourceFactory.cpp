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

std::unique_ptr<StationSource> makeUnnamed(const SourceLine &source, const HostSettings &settings,
                                           QObject *parent)
{
    switch (source.kind) {
    case SourceLine::Kind::Demo: {
        auto demo = std::make_unique<DemoSource>(settings.ownLatitude, settings.ownLongitude, kDemoSeed, parent);
        // Around gpsd's first fix, not around 0° 0°.
        if (settings.positionFromGpsd && !settings.hasOwnPosition)
            demo->waitForCentre();
        return demo;
    }
    case SourceLine::Kind::Kiss:
        return std::make_unique<KissSource>(source.host, source.port, parent);
    case SourceLine::Kind::AprsIs:
        return std::make_unique<AprsIsSource>(source.host, source.port, settings, parent);
    case SourceLine::Kind::Serial:
        return std::make_unique<SerialKissSource>(source.device, source.speed, settings.serialInit, parent);
    case SourceLine::Kind::Replay:
        return std::make_unique<ReplaySource>(source.file, settings.replayMs, parent, settings.folder);
    case SourceLine::Kind::None:
        return nullptr;
    case SourceLine::Kind::Unknown:
        break;
    }
    QTextStream(stderr) << "Station source \"" << source.written << "\" is not available ("
                        << source.problem << "): no stations will be heard from it\n";
    return nullptr;
}

} // namespace

std::unique_ptr<StationSource> makeStationSource(const SourceLine &source, const HostSettings &settings,
                                                 QObject *parent)
{
    std::unique_ptr<StationSource> made = makeUnnamed(source, settings, parent);
    if (made)
        made->setName(source.format());
    return made;
}

std::unique_ptr<StationSource> makeStationSource(const HostSettings &settings, QObject *parent)
{
    return makeStationSource(settings.source, settings, parent);
}

std::vector<std::unique_ptr<StationSource>> makeStationSources(const HostSettings &settings)
{
    std::vector<std::unique_ptr<StationSource>> sources;
    for (const SourceLine &source : settings.sources())
        sources.push_back(makeStationSource(source, settings));
    return sources;
}

} // namespace nearbell
