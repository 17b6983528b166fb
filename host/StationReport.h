#pragma once

#include <QString>

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
    QString source;            // which source delivered it (its HOST/SOURCE text)
};

} // namespace nearbell
