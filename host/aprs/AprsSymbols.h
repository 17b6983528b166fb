#pragma once

#include <QString>

namespace nearbell {

// Kinds of station an operator may leave out of the range alarm, told by
// their APRS symbol.
enum class StationKind { Other, Weather, Infrastructure };

// The APRS symbol sets the program tells kinds of station by.
//
// Responsibilities:
//  - say whether a symbol table identifier is the primary table, the
//    alternate table or an overlay on the alternate table (0-9, A-Z);
//  - tell a station's kind from its symbol table and code: weather stations
//    ("_" and the weather-service "W"), digipeaters ("#") and gateways
//    ("&"), on either table, with or without an overlay. Every other byte,
//    including any outside ASCII, is an ordinary station.
class AprsSymbols
{
public:
    static bool isAlternateOrOverlay(char table);
    static StationKind kindOf(char table, char code);
};

// What a symbol shows, in a word or two ("car", "weather station"); empty
// for a symbol without a common name.
QString symbolDescription(char table, char code);

} // namespace nearbell
