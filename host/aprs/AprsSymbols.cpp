#include "host/aprs/AprsSymbols.h"

namespace nearbell {

bool AprsSymbols::isAlternateOrOverlay(char table)
{
    return table == '\\' || (table >= '0' && table <= '9') || (table >= 'A' && table <= 'Z');
}

StationKind AprsSymbols::kindOf(char table, char code)
{
    if (table != '/' && !isAlternateOrOverlay(table))
        return StationKind::Other;
    // Both tables put these kinds on the same codes; an overlay only names
    // the variant (an "I" gateway is an internet gateway, a "1" digipeater
    // a fill-in one).
    switch (code) {
    case '_':
    case 'W':
        return StationKind::Weather;
    case '#':
    case '&':
        return StationKind::Infrastructure;
    default:
        return StationKind::Other;
    }
}

} // namespace nearbell
