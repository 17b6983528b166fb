#include "host/aprs/AprsReport.h"

#include <QHashFunctions>

namespace nearbell {

StationReport toStationReport(const AprsPosition &position)
{
    StationReport report;
    report.callsign = QString::fromLatin1(position.nameBuffer, position.nameLength);
    report.symbolTable = position.symbolTable;
    report.symbolCode = position.symbolCode;
    report.latitude = position.latitude;
    report.longitude = position.longitude;
    report.heardDirectly = position.heardDirectly;
    report.killed = position.killed;
    report.packet = packetDigest(position.origin(), position.destination(), position.information);
    return report;
}

quint64 packetDigest(std::string_view origin, std::string_view destination,
                     std::string_view information)
{
    while (!information.empty()
           && (information.back() == '\r' || information.back() == '\n' || information.back() == ' '))
        information.remove_suffix(1);
    // Each part's length goes into the seed of its own digest, and each
    // digest seeds the next: bytes moved from one part to another give
    // another digest.
    size_t digest = qHashBits(origin.data(), origin.size(), 0x4e42 + origin.size());
    digest = qHashBits(destination.data(), destination.size(), digest + destination.size());
    digest = qHashBits(information.data(), information.size(), digest + information.size());
    return digest == 0 ? 1 : quint64(digest);
}

} // namespace nearbell
