#pragma once

#include <QtGlobal>

#include <string_view>

#include "host/StationReport.h"
#include "host/aprs/AprsDecoder.h"

namespace nearbell {

// Turns a decoded position into the report the station table takes in
// (callsign or cleaned object/item name as Latin-1 text, so that any byte
// survives), with the digest of the packet that carried it, its motion,
// its comment (or, for a status packet, its status text) and its path.
// Call it while the decoded bytes are still there.
StationReport toStationReport(const AprsPosition &position);

// The digest of a packet by sender, destination and information field:
// the path it took and the line ends or blanks that gateways strip from
// the end of the field make no difference. Never 0.
// Whether a decoding outcome is a report for the station table: a position,
// or a status text that refreshes what is known of the station.
inline bool isReport(AprsStatus status)
{
    return status == AprsStatus::Position || status == AprsStatus::Status;
}

quint64 packetDigest(std::string_view origin, std::string_view destination,
                     std::string_view information);

} // namespace nearbell
