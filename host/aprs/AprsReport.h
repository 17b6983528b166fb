#pragma once

#include "host/StationReport.h"
#include "host/aprs/AprsDecoder.h"

namespace nearbell {

// Turns a decoded position into the report the station table takes in
// (callsign or cleaned object/item name as Latin-1 text, so that any byte
// survives).
StationReport toStationReport(const AprsPosition &position);

} // namespace nearbell
