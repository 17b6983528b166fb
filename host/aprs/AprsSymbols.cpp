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

QString symbolDescription(char table, char code)
{
    // The kinds every table shares first, then the common primary-table
    // pictures; an overlay keeps the alternate table's meaning.
    switch (AprsSymbols::kindOf(table, code)) {
    case StationKind::Weather:
        return QStringLiteral("weather station");
    case StationKind::Infrastructure:
        return code == '#' ? QStringLiteral("digipeater") : QStringLiteral("gateway");
    case StationKind::Other:
        break;
    }
    if (table != '/')
        return QString();
    switch (code) {
    case '-': return QStringLiteral("house");
    case '>': return QStringLiteral("car");
    case '<': return QStringLiteral("motorcycle");
    case '[': return QStringLiteral("person");
    case 'b': return QStringLiteral("bicycle");
    case 'j': return QStringLiteral("jeep");
    case 'k': return QStringLiteral("truck");
    case 'v': return QStringLiteral("van");
    case 'U': return QStringLiteral("bus");
    case 'R': return QStringLiteral("recreational vehicle");
    case 'a': return QStringLiteral("ambulance");
    case 'f': return QStringLiteral("fire truck");
    case 's': return QStringLiteral("boat");
    case 'Y': return QStringLiteral("yacht");
    case '^': return QStringLiteral("aircraft");
    case '\'': return QStringLiteral("small aircraft");
    case 'X': return QStringLiteral("helicopter");
    case 'O': return QStringLiteral("balloon");
    case 'r': return QStringLiteral("repeater");
    case 'y': return QStringLiteral("house with yagi");
    default: return QString();
    }
}

} // namespace nearbell
