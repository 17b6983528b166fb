#include "host/aprs/AprsSymbols.h"

namespace nearbell {

namespace {

// Indexed by code - '!'; empty where the table has no symbol.
const char *const kPrimary[94] = {
    "police station", "", "digipeater", "phone", "DX cluster", "HF gateway", "small aircraft",
    "mobile satellite station", "wheelchair", "snowmobile", "Red Cross", "Boy Scouts", "house", "X",
    "red dot", "circle 0", "circle 1", "circle 2", "circle 3", "circle 4", "circle 5", "circle 6",
    "circle 7", "circle 8", "circle 9", "fire", "campground", "motorcycle", "railway engine", "car",
    "file server", "hurricane forecast", "aid station", "BBS", "canoe", "", "eyeball", "tractor",
    "grid square", "hotel", "TCP/IP station", "", "school", "PC user", "Mac user", "NTS station",
    "balloon", "police", "", "recreational vehicle", "space shuttle", "SSTV", "bus", "ATV",
    "weather service site", "helicopter", "yacht", "Windows user", "person", "DF triangle",
    "post office", "large aircraft", "weather station", "dish antenna", "ambulance", "bicycle",
    "incident command post", "fire station", "horse", "fire truck", "glider", "hospital", "island",
    "jeep", "truck", "laptop", "Mic-E repeater", "node", "emergency operations centre", "dog",
    "grid square", "repeater", "ship", "truck stop", "semi-trailer truck", "van", "water station",
    "X-APRS", "house with yagi", "", "", "", "", "",
};

// Indexed by code - '!'; empty where the table has no symbol.
const char *const kAlternate[94] = {
    "emergency", "", "digipeater", "bank", "power plant", "gateway", "crash site", "cloudy",
    "firenet", "snow", "church", "Girl Scouts", "house (HF)", "ambiguous", "waypoint", "circle", "",
    "", "", "", "", "", "", "802.11 network", "gas station", "hail", "park", "advisory", "APRStt",
    "car", "information kiosk", "hurricane", "box", "blowing snow", "coast guard", "drizzle",
    "smoke", "freezing rain", "snow shower", "haze", "rain shower", "lightning", "Kenwood radio",
    "lighthouse", "MARS", "navigation buoy", "rocket", "parking", "earthquake", "restaurant",
    "satellite", "thunderstorm", "sunny", "VORTAC", "NWS site", "pharmacy", "radio", "",
    "wall cloud", "", "", "aircraft", "weather station", "rain", "ARES", "blowing dust",
    "civil defence", "DX spot", "sleet", "funnel cloud", "gale flags", "ham store",
    "point of interest", "work zone", "SUV", "area", "milepost", "triangle", "small circle",
    "partly cloudy", "", "restrooms", "boat", "tornado", "truck", "van", "flooding", "wreck",
    "Skywarn", "shelter", "fog", "", "", "",
};

} // namespace

QString symbolDescription(char table, char code)
{
    const int index = static_cast<unsigned char>(code) - '!';
    const bool overlay = table != '\\' && AprsSymbols::isAlternateOrOverlay(table);
    if (index < 0 || index >= 94 || (table != '/' && !AprsSymbols::isAlternateOrOverlay(table)))
        return QStringLiteral("unknown symbol");
    const char *text = table == '/' ? kPrimary[index] : kAlternate[index];
    if (*text == '\0')
        return QStringLiteral("unknown symbol");
    const QString description = QString::fromLatin1(text);
    // An overlay names the variant: "digipeater, overlay S".
    return overlay ? QStringLiteral("%1, overlay %2").arg(description, QChar::fromLatin1(table))
                   : description;
}

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
