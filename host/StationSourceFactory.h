#pragma once

#include <QObject>

#include <memory>

#include "host/HostSettings.h"
#include "host/StationSource.h"

namespace nearbell {

// The station source that HOST/SOURCE names: "DEMO" gives the simulated
// stations, "NONE" gives no source (null). A name this build does not know
// gives no source either, with one line on standard error.
std::unique_ptr<StationSource> makeStationSource(const HostSettings &settings,
                                                 QObject *parent = nullptr);

} // namespace nearbell
