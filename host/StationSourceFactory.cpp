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
}

std::unique_ptr<StationSource> makeStationSource(const HostSettings &settings, QObject *parent)
{
    const SourceSpec &source = settings.source;
    switch (source.kind) {
    case SourceSpec::Kind::Demo:
        return std::make_unique<DemoSource>(settings.ownLatitude, settings.ownLongitude, kDemoSeed, parent);
    case SourceSpec::Kind::Kiss:
        return std::make_unique<KissSource>(source.host, source.port, parent);
    case SourceSpec::Kind::AprsIs:
        return std::make_unique<AprsIsSource>(source.host, source.port, settings, parent);
    case SourceSpec::Kind::Serial:
        return std::make_unique<SerialKissSource>(source.device, source.speed, settings.serialInit, parent);
    case SourceSpec::Kind::Replay:
        return std::make_unique<ReplaySource>(source.file, settings.replayMs, parent, settings.folder);
    case SourceSpec::Kind::None:
        return nullptr;
    case SourceSpec::Kind::Unknown:
        break;
    }
    QTextStream(stderr) << "Station source \"" << source.written << "\" is not available ("
                        << source.problem << "): no stations will be heard\n";
    return nullptr;
}

} // namespace nearbell
