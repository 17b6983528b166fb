#pragma once

#include <QObject>

#include <memory>
#include <vector>

#include "host/HostSettings.h"
#include "host/StationSource.h"

namespace nearbell {

// The station source that a SOURCE line names: "DEMO" gives the simulated
// stations, "NONE" gives no source (null), "KISS host:port" a TNC over TCP,
// "SERIAL device [speed]" a TNC on a serial port, "APRSIS host:port" an
// APRS-IS server, "REPLAY file" a recorded feed. A name this build does not know
// gives no source either, with one line on standard error. The source is
// named by its line as SourceLine writes it.
std::unique_ptr<StationSource> makeStationSource(const SourceLine &source, const HostSettings &settings,
                                                 QObject *parent = nullptr);
// The source of HOST/SOURCE.
std::unique_ptr<StationSource> makeStationSource(const HostSettings &settings,
                                                 QObject *parent = nullptr);
// One entry per source line of the settings (HostSettings::sources()), in
// their order; null where a line gives no source.
std::vector<std::unique_ptr<StationSource>> makeStationSources(const HostSettings &settings);

} // namespace nearbell
