#include "host/StationSourceFactory.h"

#include <QTextStream>

#include "host/DemoSource.h"

namespace nearbell {

namespace {
// The demo runs the same way every time.
constexpr std::uint64_t kDemoSeed = 20260101;
}

std::unique_ptr<StationSource> makeStationSource(const HostSettings &settings, QObject *parent)
{
    const QString source = settings.source.trimmed();
    const QString kind = source.section(u' ', 0, 0, QString::SectionSkipEmpty).toUpper();

    if (kind == QLatin1String("DEMO")) {
        return std::make_unique<DemoSource>(settings.ownLatitude, settings.ownLongitude,
                                            kDemoSeed, parent);
    }
    if (kind == QLatin1String("NONE"))
        return nullptr;

    // network and replay sources

    QTextStream(stderr) << "Station source \"" << source
                        << "\" is not available: no stations will be heard\n";
    return nullptr;
}

} // namespace nearbell
