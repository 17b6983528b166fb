#pragma once

#include <QString>
#include <QtGlobal>

namespace nearbell {

// One position-bearing report from a station source (demo, replay, TNC,
// APRS-IS), as the station table takes it in.
struct StationReport
{
    QString callsign;          // station, or object/item name already cleaned
    char symbolTable = '/';    // APRS symbol table identifier or overlay
    char symbolCode = '/';     // APRS symbol code: the entry's first character
    double latitude = 0.0;     // signed minutes of arc, north positive
    double longitude = 0.0;    // signed minutes of arc, east positive
    bool heardDirectly = false; // no digipeater repeated the frame
    bool killed = false;       // a killed object or item: delete it
    // The packet that carried the report (sender, destination, information
    // field), as a digest: the same packet heard twice, on the air and again
    // from the internet, has the same one. 0 when unknown; such a report is
    // never taken for a copy.
    quint64 packet = 0;
    QString source;            // the station source that delivered it ("KISS 127.0.0.1:8001")
};

} // namespace nearbell
