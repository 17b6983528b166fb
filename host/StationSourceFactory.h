#pragma once

#include <QObject>

#include <memory>
#include <vector>

#include "host/HostSettings.h"
#include "host/StationSource.h"

namespace nearbell {

// The station source that HOST/SOURCE names: "DEMO" gives the simulated
// stations, "NONE" gives no source (null), "KISS host:port" a TNC over TCP,
// "SERIAL device [speed]" a TNC on a serial port, "APRSIS host:port" an
// APRS-IS server, "REPLAY file" a recorded feed. A name this build does not know
// gives no source either, with one line on standard error.
std::unique_ptr<StationSource> makeStationSource(const HostSettings &settings,
                                                 QObject *parent = nullptr);

// Every source the settings name, in their order; those not available are
// left out.
std::vector<std::unique_ptr<StationSource>> makeStationSources(const HostSettings &settings);

} // namespace nearbell
