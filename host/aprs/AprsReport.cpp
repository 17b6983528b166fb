#include "host/aprs/AprsReport.h"

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
    return report;
}

} // namespace nearbell
