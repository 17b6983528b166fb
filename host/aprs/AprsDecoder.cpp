#include "host/aprs/AprsDecoder.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace nearbell {

namespace {

// Third-party packets may wrap third-party packets; a bound keeps hostile
// input from recursing deeply.
constexpr int maxThirdPartyDepth = 3;

// Minutes added to a truncated ambiguous position to reach the centre of
// its box, indexed by the ambiguity level (blanked digits): a blank
// hundredth leaves a box of 0.1', ..., blank minute tens a box of 1 degree.
constexpr double ambiguityCentre[5] = {0.0, 0.05, 0.5, 5.0, 30.0};

constexpr double kKmhPerKnot = 1.852;
constexpr double kMetresPerFoot = 0.3048;
// The fastest speed a data extension can say; anything above is garbage.
constexpr double kMostKnots = 999.0;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isUpper(char c)
{
    return c >= 'A' && c <= 'Z';
}

// Printable ASCII without the blank.
bool isGraphic(char c)
{
    return c > ' ' && c < 0x7f;
}

std::string_view stripLineEnd(std::string_view text)
{
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.remove_suffix(1);
    return text;
}

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

// Sets every field to its default, the buffers only as far as their
// lengths say: a whole new AprsPosition would cost a third of a decode.
void resetPosition(AprsPosition &out)
{
    static const AprsPosition blank{};
    out.nameBuffer[0] = '\0';
    out.nameLength = 0;
    out.kind = blank.kind;
    out.killed = blank.killed;
    out.heardDirectly = blank.heardDirectly;
    out.symbolTable = blank.symbolTable;
    out.symbolCode = blank.symbolCode;
    out.latitude = blank.latitude;
    out.longitude = blank.longitude;
    out.originLength = 0;
    out.destinationLength = 0;
    out.information = blank.information;
    out.course = blank.course;
    out.speedKmh = blank.speedKmh;
    out.altitudeM = blank.altitudeM;
    out.hasPosition = blank.hasPosition;
    out.commentPieceCount = 0;
    out.path = {};
}

// A station callsign as it stands in a header: 1 to 9 printable characters.
bool setStationName(std::string_view source, AprsPosition &out)
{
    if (source.empty() || source.size() > std::size_t(AprsPosition::maxNameLength))
        return false;
    for (char c : source) {
        if (!isGraphic(c) || c == '*')
            return false;
    }
    for (std::size_t i = 0; i < source.size(); ++i)
        out.nameBuffer[i] = source[i];
    out.nameBuffer[source.size()] = '\0';
    out.nameLength = std::uint8_t(source.size());
    out.kind = AprsPosition::Kind::Station;
    return true;
}

// Notes what identifies the packet (the sender is at most maxNameLength
// long, checked by setStationName; a longer destination is cut).
void setPacket(std::string_view source, std::string_view destination, std::string_view info,
               AprsPosition &out)
{
    for (std::size_t i = 0; i < source.size(); ++i)
        out.originBuffer[i] = source[i];
    out.originLength = std::uint8_t(source.size());
    const std::size_t length = std::min(destination.size(), std::size_t(AprsPosition::maxNameLength));
    for (std::size_t i = 0; i < length; ++i)
        out.destinationBuffer[i] = destination[i];
    out.destinationLength = std::uint8_t(length);
    out.information = info;
}

// An object or item name becomes a station name without blanks: trailing
// blanks go, inner blanks become "_". Control bytes make the name invalid.
bool setCleanedName(std::string_view raw, AprsPosition::Kind kind, AprsPosition &out)
{
    while (!raw.empty() && raw.back() == ' ')
        raw.remove_suffix(1);
    if (raw.empty() || raw.size() > std::size_t(AprsPosition::maxNameLength))
        return false;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c == ' ')
            out.nameBuffer[i] = '_';
        else if (isGraphic(c))
            out.nameBuffer[i] = c;
        else
            return false;
    }
    out.nameBuffer[raw.size()] = '\0';
    out.nameLength = std::uint8_t(raw.size());
    out.kind = kind;
    return true;
}

// Reads "DDMM.hh" (latitude, 2 degree digits) or "DDDMM.hh" (longitude,
// 3 degree digits) into minutes of arc. The last `level` of the digits
// M M h h may be blank (position ambiguity); those digits count as zero and
// the centre of the box is returned. With `allowDigitsInBlankedPlaces`
// a digit may stand where the level says blank (longitude, whose ambiguity
// follows the latitude); it is dropped.
bool readDegreesMinutes(std::string_view s, int degreeDigits, int level,
                        bool allowDigitsInBlankedPlaces, double &minutes)
{
    if (s.size() < std::size_t(degreeDigits + 5))
        return false;
    int degrees = 0;
    for (int i = 0; i < degreeDigits; ++i) {
        if (!isDigit(s[i]))
            return false;
        degrees = degrees * 10 + (s[i] - '0');
    }
    if (s[degreeDigits + 2] != '.')
        return false;
    // Places from the right: hundredths, tenths, minute units, minute tens.
    const int places[4] = {degreeDigits + 4, degreeDigits + 3, degreeDigits + 1, degreeDigits};
    const int weights[4] = {1, 10, 100, 1000}; // in hundredths of a minute
    int hundredths = 0;
    for (int p = 0; p < 4; ++p) {
        const char c = s[std::size_t(places[p])];
        if (p < level) {
            if (c == ' ' || (allowDigitsInBlankedPlaces && isDigit(c)))
                continue;
            return false;
        }
        if (!isDigit(c))
            return false;
        hundredths += (c - '0') * weights[p];
    }
    if (hundredths >= 6000)
        return false; // 60 minutes or more
    minutes = degrees * 60.0 + hundredths / 100.0 + ambiguityCentre[level];
    return true;
}

// Ambiguity level of an uncompressed latitude "DDMM.hhN": how many of the
// places h h M M (from the right) are blank, without gaps.
int latitudeAmbiguity(std::string_view lat)
{
    const std::size_t places[4] = {6, 5, 3, 2};
    int level = 0;
    while (level < 4 && lat[places[level]] == ' ')
        ++level;
    return level;
}

// A piece of a comment that held an extension read elsewhere.
struct Cut
{
    std::size_t at = std::string_view::npos;
    std::size_t length = 0;
};

// The datum and precision extension "!DAO!" in a position comment: D is a
// letter, upper case for one more decimal digit of minutes in A (latitude)
// and O (longitude), lower case for base-91 digits that split a hundredth of
// a minute into 91 steps; blank A and O name the datum only. A comment
// holding two well-formed blocks is ambiguous and, like a malformed block,
// gives nothing: no cut, no extra minutes.
struct Dao
{
    Cut cut;
    double extraLat = 0.0;
    double extraLon = 0.0;
};

// Whether a well-formed block starts at comment[at] (a '!'), and what it adds.
bool readDaoBlock(std::string_view comment, std::size_t at, Dao &dao)
{
    if (at + 4 >= comment.size() || comment[at + 4] != '!')
        return false;
    const char d = comment[at + 1];
    const char a = comment[at + 2];
    const char o = comment[at + 3];
    if (a == ' ' && o == ' ') {
        if (!isUpper(d) && !(d >= 'a' && d <= 'z'))
            return false;
        dao = Dao{Cut{at, 5}, 0.0, 0.0};
    } else if (isUpper(d)) {
        if (!isDigit(a) || !isDigit(o))
            return false;
        dao = Dao{Cut{at, 5}, (a - '0') * 0.001, (o - '0') * 0.001};
    } else if (d >= 'a' && d <= 'z') {
        // Base-91 digits run from '!' (0) to '{' (90).
        if (a < '!' || a > '{' || o < '!' || o > '{')
            return false;
        dao = Dao{Cut{at, 5}, (a - '!') * (0.01 / 91.0), (o - '!') * (0.01 / 91.0)};
    } else {
        return false;
    }
    return true;
}

// Whether "/A=" and six characters, the feet above sea level (six digits,
// or a minus and five), start at comment[at] (a '/').
bool readAltitude(std::string_view comment, std::size_t at, double &altitudeM)
{
    if (at + 9 > comment.size() || comment[at + 1] != 'A' || comment[at + 2] != '=')
        return false;
    const bool negative = comment[at + 3] == '-';
    int feet = 0;
    for (std::size_t i = at + (negative ? 4 : 3); i < at + 9; ++i) {
        if (!isDigit(comment[i]))
            return false;
        feet = feet * 10 + (comment[i] - '0');
    }
    altitudeM = (negative ? -feet : feet) * kMetresPerFoot;
    return true;
}

// One pass over a comment for the first well-formed altitude and the only
// well-formed "!DAO!" block (blocks do not overlap).
void findExtensions(std::string_view comment, Cut &altitude, double &altitudeM, Dao &dao)
{
    int blocks = 0;
    Dao block;
    for (std::size_t i = 0; i < comment.size(); ++i) {
        const char c = comment[i];
        if (c == '!' && readDaoBlock(comment, i, block)) {
            ++blocks;
            dao = block;
            i += 4;
        } else if (c == '/' && altitude.at == std::string_view::npos && readAltitude(comment, i, altitudeM)) {
            altitude = Cut{i, 9};
            i += 8;
        }
    }
    if (blocks != 1)
        dao = Dao{};
}

// Adds a block's extra minutes to the unsigned latitude and longitude,
// unless that would leave the globe.
void applyDao(const Dao &dao, double &latMinutes, double &lonMinutes)
{
    if (latMinutes + dao.extraLat > 90.0 * 60.0 || lonMinutes + dao.extraLon > 180.0 * 60.0)
        return;
    latMinutes += dao.extraLat;
    lonMinutes += dao.extraLon;
}

// The comment is what is left of `text` without the two cuts.
void setComment(std::string_view text, Cut a, Cut b, AprsPosition &out)
{
    if (a.at == std::string_view::npos && b.at == std::string_view::npos) {
        out.commentPieces[0] = text;
        out.commentPieceCount = text.empty() ? 0 : 1;
        return;
    }
    if (b.at < a.at)
        std::swap(a, b);
    std::size_t from = 0;
    int count = 0;
    for (const Cut &cut : {a, b}) {
        if (cut.at == std::string_view::npos || cut.at < from)
            continue; // none, or overlapping the one before
        if (cut.at > from)
            out.commentPieces[count++] = text.substr(from, cut.at - from);
        from = cut.at + cut.length;
    }
    if (from < text.size())
        out.commentPieces[count++] = text.substr(from);
    out.commentPieceCount = std::uint8_t(count);
}

// A course in whole degrees as packets give it: 1 to 360, where 360 is
// north; 0 and anything past 360 say nothing.
double courseOf(int degrees)
{
    return degrees >= 1 && degrees <= 360 ? double(degrees) : AprsPosition::unknown;
}

double speedOfKnots(double knots)
{
    return knots >= 0.0 && knots <= kMostKnots ? knots * kKmhPerKnot : AprsPosition::unknown;
}

// Three digits, or three blanks or dots for an unknown value (-1).
bool readThreeDigits(std::string_view s, int &value)
{
    if ((s[0] == '.' || s[0] == ' ') && s[1] == s[0] && s[2] == s[0]) {
        value = -1;
        return true;
    }
    if (!isDigit(s[0]) || !isDigit(s[1]) || !isDigit(s[2]))
        return false;
    value = (s[0] - '0') * 100 + (s[1] - '0') * 10 + (s[2] - '0');
    return true;
}

// Reads the comment after a position: the "ccc/sss" course and speed at its
// start (not for a weather station, whose two numbers are the wind), then
// the altitude and "!DAO!" anywhere. Returns the block found, for the
// caller to refine the position with.
Dao readComment(std::string_view comment, bool dataExtension, AprsPosition &out)
{
    if (dataExtension && out.symbolCode != '_' && comment.size() >= 7 && comment[3] == '/') {
        int course = 0;
        int knots = 0;
        if (readThreeDigits(comment, course) && readThreeDigits(comment.substr(4), knots)) {
            out.course = courseOf(course);
            if (knots >= 0)
                out.speedKmh = speedOfKnots(knots);
            comment.remove_prefix(7);
        }
    }
    Cut altitude;
    Dao dao;
    findExtensions(comment, altitude, out.altitudeM, dao);
    setComment(comment, altitude, dao.cut, out);
    return dao;
}

// Uncompressed position "DDMM.hhN/DDDMM.hhW$" (19 bytes), then a comment
// that may refine it.
AprsStatus readUncompressed(std::string_view p, AprsPosition &out)
{
    if (p.size() < 19)
        return AprsStatus::Rejected;
    const int level = latitudeAmbiguity(p);
    double lat = 0.0;
    double lon = 0.0;
    if (!readDegreesMinutes(p.substr(0, 7), 2, level, false, lat))
        return AprsStatus::Rejected;
    if (!readDegreesMinutes(p.substr(9, 8), 3, level, true, lon))
        return AprsStatus::Rejected;
    out.symbolTable = p[8];
    out.symbolCode = p[18];
    const Dao dao = readComment(p.substr(19), true, out);
    if (level == 0)
        applyDao(dao, lat, lon);
    switch (p[7]) {
    case 'N': case 'n': break;
    case 'S': case 's': lat = -lat; break;
    default: return AprsStatus::Rejected;
    }
    switch (p[17]) {
    case 'E': case 'e': break;
    case 'W': case 'w': lon = -lon; break;
    default: return AprsStatus::Rejected;
    }
    if (lat > 90.0 * 60.0 || lat < -90.0 * 60.0 || lon > 180.0 * 60.0 || lon < -180.0 * 60.0)
        return AprsStatus::Rejected;
    out.latitude = lat;
    out.longitude = lon;
    return AprsStatus::Position;
}

// Powers of the compressed form's bases, by exponent: 1.08^s for the speed
// (s 0..90), 1.002^cs for the altitude (cs 0..8280).
struct CompressedPowers
{
    double speed[91];
    double altitude[91 * 91];
    CompressedPowers()
    {
        for (int i = 0; i < 91; ++i)
            speed[i] = std::pow(1.08, i);
        for (int i = 0; i < 91 * 91; ++i)
            altitude[i] = std::pow(1.002, i);
    }
};

// Made once as the program loads: no guard on every packet.
const CompressedPowers kPowers;

// The "csT" bytes of a compressed position: course and speed, or the
// altitude when the type byte says the fix came from a GGA sentence; a
// blank c says nothing, "{" a radio range. A weather station's c and s are
// the wind.
void readCompressedExtension(char c, char s, char type, AprsPosition &out)
{
    const int cv = static_cast<unsigned char>(c) - 33;
    const int sv = static_cast<unsigned char>(s) - 33;
    const int tv = static_cast<unsigned char>(type) - 33;
    if (c == ' ' || cv < 0 || cv > 90 || sv < 0 || sv > 90)
        return;
    if (tv >= 0 && tv <= 90 && ((tv >> 3) & 3) == 2) {
        out.altitudeM = kPowers.altitude[cv * 91 + sv] * kMetresPerFoot;
        return;
    }
    if (cv > 89 || out.symbolCode == '_')
        return;
    const double knots = kPowers.speed[sv] - 1.0;
    out.speedKmh = speedOfKnots(knots);
    // Four-degree steps from north (0); a course says nothing while standing.
    if (cv > 0)
        out.course = cv * 4.0;
    else if (knots > 0.0)
        out.course = 360.0;
}

// Compressed position "/YYYYXXXX$csT" (13 bytes, base-91 digits). Its own
// precision is finer than a "!DAO!" block could add, so a comment's block
// names the datum only and leaves the position as it is.
AprsStatus readCompressed(std::string_view p, AprsPosition &out)
{
    if (p.size() < 13)
        return AprsStatus::Rejected;
    char table = p[0];
    if (table >= 'a' && table <= 'j')
        table = char('0' + (table - 'a')); // overlay digits travel as a..j
    else if (table != '/' && table != '\\' && !isUpper(table))
        return AprsStatus::Rejected;
    long y = 0;
    long x = 0;
    for (int i = 0; i < 4; ++i) {
        const unsigned char cy = static_cast<unsigned char>(p[std::size_t(1 + i)]);
        const unsigned char cx = static_cast<unsigned char>(p[std::size_t(5 + i)]);
        if (cy < 33 || cy > 124 || cx < 33 || cx > 124)
            return AprsStatus::Rejected;
        y = y * 91 + (cy - 33);
        x = x * 91 + (cx - 33);
    }
    const double latDegrees = 90.0 - double(y) / 380926.0;
    const double lonDegrees = -180.0 + double(x) / 190463.0;
    if (latDegrees < -90.0 || lonDegrees > 180.0)
        return AprsStatus::Rejected;
    out.latitude = latDegrees * 60.0;
    out.longitude = lonDegrees * 60.0;
    out.symbolTable = table;
    out.symbolCode = p[9];
    readCompressedExtension(p[10], p[11], p[12], out);
    readComment(p.substr(13), false, out);
    return AprsStatus::Position;
}

// A position in either form: uncompressed ones begin with a latitude digit.
AprsStatus readPosition(std::string_view p, AprsPosition &out)
{
    if (p.empty())
        return AprsStatus::Rejected;
    return isDigit(p[0]) ? readUncompressed(p, out) : readCompressed(p, out);
}

// Mic-E speed and course, each byte 28 more than its value (0..99). A byte
// out of that range spoils what it carries, never the position.
void readMicEMotion(char sp, char dc, char se, AprsPosition &out)
{
    const int speedTens = static_cast<unsigned char>(sp) - 28;
    const int mixed = static_cast<unsigned char>(dc) - 28;
    const int courseUnits = static_cast<unsigned char>(se) - 28;
    if (mixed < 0 || mixed > 99)
        return; // both values share this byte
    if (speedTens >= 0 && speedTens <= 99) {
        int knots = speedTens * 10 + mixed / 10;
        if (knots >= 800)
            knots -= 800;
        out.speedKmh = speedOfKnots(knots);
    }
    if (courseUnits >= 0 && courseUnits <= 99) {
        int course = (mixed % 10) * 100 + courseUnits;
        if (course >= 400)
            course -= 400;
        out.course = courseOf(course);
    }
}

// The text after a Mic-E symbol: a radio's type byte ("]" and ">" of two
// makers' radios, which may close the text with "=" or "^"; "`" and "'",
// whose radios close it with two bytes of their own),
// then perhaps the altitude as three base-91 digits and "}" (metres above
// 10 km below sea level), then the comment.
Dao readMicEText(std::string_view text, AprsPosition &out)
{
    if (!text.empty()) {
        const char type = text[0];
        if (type == ']' || type == '>' || type == '`' || type == '\'') {
            text.remove_prefix(1);
            const char end = type == ']' ? '=' : type == '>' ? '^' : '\0';
            if (end != '\0' && !text.empty() && text.back() == end)
                text.remove_suffix(1);
            // Other makers close the text with two bytes naming the radio:
            // "_" and one more after "`", "|3" or "|4" after "'".
            const std::size_t n = text.size();
            if (n >= 2 && ((type == '`' && text[n - 2] == '_')
                           || (type == '\'' && text[n - 2] == '|' && (text[n - 1] == '3' || text[n - 1] == '4'))))
                text.remove_suffix(2);
        }
    }
    if (text.size() >= 4 && text[3] == '}') {
        int metres = 0;
        bool digits = true;
        for (std::size_t i = 0; i < 3; ++i) {
            const int d = static_cast<unsigned char>(text[i]) - 33;
            digits = digits && d >= 0 && d <= 90;
            metres = metres * 91 + d;
        }
        if (digits) {
            out.altitudeM = metres - 10000.0;
            text.remove_prefix(4);
        }
    }
    return readComment(text, false, out);
}

// Mic-E: latitude, message bits and longitude flags in the destination,
// longitude, speed, course and symbol in the information field.
AprsStatus readMicE(std::string_view destination, std::string_view info, AprsPosition &out)
{
    if (destination.size() < 6 || info.size() < 9)
        return AprsStatus::Rejected;
    int latDigits[6] = {};
    int level = 0;
    bool north = false;
    bool longitudeOffset = false;
    bool west = false;
    for (int i = 0; i < 6; ++i) {
        const char c = destination[std::size_t(i)];
        bool blank = false;
        bool flag = false; // N, +100 or W for characters 4 to 6
        if (isDigit(c)) {
            latDigits[i] = c - '0';
        } else if (c >= 'A' && c <= 'J' && i < 3) {
            latDigits[i] = c - 'A';
        } else if (c == 'K' && i < 3) {
            blank = true;
        } else if (c == 'L') {
            blank = true;
        } else if (c >= 'P' && c <= 'Y') {
            latDigits[i] = c - 'P';
            flag = true;
        } else if (c == 'Z') {
            blank = true;
            flag = true;
        } else {
            return AprsStatus::Rejected;
        }
        if (blank) {
            // Blanks only from the right: places 6, 5, 4, 3 in that order.
            if (i < 2)
                return AprsStatus::Rejected;
            if (level == 0)
                level = 6 - i;
            latDigits[i] = 0;
        } else if (level != 0) {
            return AprsStatus::Rejected; // a digit after a blank
        }
        if (i == 3)
            north = flag;
        else if (i == 4)
            longitudeOffset = flag;
        else if (i == 5)
            west = flag;
    }
    const int latDegrees = latDigits[0] * 10 + latDigits[1];
    const int latHundredths = latDigits[2] * 1000 + latDigits[3] * 100 + latDigits[4] * 10 + latDigits[5];
    if (latDegrees > 90 || latHundredths >= 6000)
        return AprsStatus::Rejected;
    double lat = latDegrees * 60.0 + latHundredths / 100.0 + ambiguityCentre[level];
    if (lat > 90.0 * 60.0)
        return AprsStatus::Rejected;

    const int b1 = static_cast<unsigned char>(info[1]) - 28;
    const int b2 = static_cast<unsigned char>(info[2]) - 28;
    const int b3 = static_cast<unsigned char>(info[3]) - 28;
    if (b1 < 0 || b2 < 0 || b3 < 0 || b3 > 99)
        return AprsStatus::Rejected;
    int lonDegrees = b1 + (longitudeOffset ? 100 : 0);
    if (lonDegrees >= 180 && lonDegrees <= 189)
        lonDegrees -= 80;
    else if (lonDegrees >= 190 && lonDegrees <= 199)
        lonDegrees -= 190;
    int lonMinutes = b2 >= 60 ? b2 - 60 : b2;
    if (lonDegrees > 179 || lonMinutes > 59)
        return AprsStatus::Rejected;
    // The longitude is as ambiguous as the latitude.
    int lonHundredths = lonMinutes * 100 + b3;
    const int drop[5] = {1, 10, 100, 1000, 6000};
    lonHundredths -= lonHundredths % drop[level];
    double lon = lonDegrees * 60.0 + lonHundredths / 100.0 + ambiguityCentre[level];
    out.symbolCode = info[7];
    out.symbolTable = info[8];
    readMicEMotion(info[4], info[5], info[6], out);
    // The text after the symbol may carry a "!DAO!" block.
    const Dao dao = readMicEText(info.substr(9), out);
    if (level == 0)
        applyDao(dao, lat, lon);

    out.latitude = north ? lat : -lat;
    out.longitude = west ? -lon : lon;
    return AprsStatus::Position;
}

// Splits off the next comma-separated field of an NMEA sentence.
std::string_view nextField(std::string_view &rest)
{
    const std::size_t comma = rest.find(',');
    std::string_view field = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    return field;
}

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// NMEA "DDMM.mmmm" / "DDDMM.mmmm" with any number of decimals.
bool readNmeaAngle(std::string_view field, std::string_view hemisphere, int degreeDigits,
                   char positive, char negative, double limitDegrees, double &minutes)
{
    const std::size_t dot = field.find('.');
    const std::size_t whole = dot == std::string_view::npos ? field.size() : dot;
    if (whole != std::size_t(degreeDigits + 2) || hemisphere.size() != 1)
        return false;
    int degrees = 0;
    for (int i = 0; i < degreeDigits; ++i) {
        if (!isDigit(field[std::size_t(i)]))
            return false;
        degrees = degrees * 10 + (field[std::size_t(i)] - '0');
    }
    double value = 0.0;
    for (std::size_t i = std::size_t(degreeDigits); i < whole; ++i) {
        if (!isDigit(field[i]))
            return false;
        value = value * 10.0 + (field[i] - '0');
    }
    double scale = 0.1;
    for (std::size_t i = whole + 1; i < field.size(); ++i) {
        if (!isDigit(field[i]))
            return false;
        value += (field[i] - '0') * scale;
        scale /= 10.0;
    }
    if (value >= 60.0)
        return false;
    minutes = degrees * 60.0 + value;
    if (minutes > limitDegrees * 60.0)
        return false;
    if (hemisphere[0] == negative)
        minutes = -minutes;
    else if (hemisphere[0] != positive)
        return false;
    return true;
}

// An NMEA number: digits with an optional point and fraction, a minus in
// front allowed (altitudes below sea level).
bool readNmeaNumber(std::string_view field, double &value)
{
    const bool negative = !field.empty() && field[0] == '-';
    if (negative)
        field.remove_prefix(1);
    if (field.empty() || field.size() > 12)
        return false;
    double whole = 0.0;
    double scale = 0.0;
    for (char c : field) {
        if (c == '.' && scale == 0.0) {
            scale = 0.1;
        } else if (!isDigit(c)) {
            return false;
        } else if (scale == 0.0) {
            whole = whole * 10.0 + (c - '0');
        } else {
            whole += (c - '0') * scale;
            scale /= 10.0;
        }
    }
    value = negative ? -whole : whole;
    return true;
}

// After a GGA sentence's fix quality: satellites, dilution of precision,
// then the altitude in metres ("M").
void readGgaAltitude(std::string_view rest, AprsPosition &out)
{
    std::size_t at = 0;
    for (int commas = 0; at < rest.size() && commas < 2; ++at)
        commas += rest[at] == ',' ? 1 : 0;
    std::size_t end = at;
    while (end < rest.size() && rest[end] != ',')
        ++end;
    double metres = 0.0;
    if (rest.substr(end).starts_with(",M") && readNmeaNumber(rest.substr(at, end - at), metres))
        out.altitudeM = metres;
}

// Raw GPS: $GPRMC and $GPGGA (also from combined receivers, $GN...).
AprsStatus readNmea(std::string_view info, AprsPosition &out)
{
    const bool rmc = startsWith(info, "$GPRMC,") || startsWith(info, "$GNRMC,");
    const bool gga = startsWith(info, "$GPGGA,") || startsWith(info, "$GNGGA,");
    if (!rmc && !gga)
        return AprsStatus::Ignored; // other sentences carry no position we use
    while (!info.empty() && (info.back() == ' ' || info.back() == '\r' || info.back() == '\n'))
        info.remove_suffix(1);
    const std::size_t star = info.find('*');
    if (star != std::string_view::npos) {
        if (info.size() != star + 3)
            return AprsStatus::Rejected;
        const int high = hexValue(info[star + 1]);
        const int low = hexValue(info[star + 2]);
        if (high < 0 || low < 0)
            return AprsStatus::Rejected;
        unsigned char sum = 0;
        for (std::size_t i = 1; i < star; ++i)
            sum ^= static_cast<unsigned char>(info[i]);
        if (sum != high * 16 + low)
            return AprsStatus::Rejected;
        info = info.substr(0, star);
    }
    std::string_view rest = info.substr(7);
    nextField(rest); // time
    if (rmc && nextField(rest) != "A")
        return AprsStatus::Ignored; // no fix
    const std::string_view latField = nextField(rest);
    const std::string_view latHemisphere = nextField(rest);
    const std::string_view lonField = nextField(rest);
    const std::string_view lonHemisphere = nextField(rest);
    if (gga) {
        const std::string_view quality = nextField(rest);
        if (quality.empty() || quality == "0")
            return AprsStatus::Ignored; // no fix
    }
    if (latField.empty() && lonField.empty())
        return AprsStatus::Ignored;
    double lat = 0.0;
    double lon = 0.0;
    if (!readNmeaAngle(latField, latHemisphere, 2, 'N', 'S', 90.0, lat)
        || !readNmeaAngle(lonField, lonHemisphere, 3, 'E', 'W', 180.0, lon))
        return AprsStatus::Rejected;
    out.latitude = lat;
    out.longitude = lon;
    out.symbolTable = '/';
    out.symbolCode = '/';
    if (rmc) {
        // Speed over ground in knots, then the track made good.
        double knots = 0.0;
        double course = 0.0;
        const bool haveSpeed = readNmeaNumber(nextField(rest), knots);
        const bool haveCourse = readNmeaNumber(nextField(rest), course);
        if (haveSpeed)
            out.speedKmh = speedOfKnots(knots);
        // A course of 0 says nothing while standing, and is north while moving.
        if (haveCourse && course > 0.0 && course <= 360.0)
            out.course = course;
        else if (haveCourse && course == 0.0 && haveSpeed && knots > 0.0)
            out.course = 360.0;
    } else {
        readGgaAltitude(rest, out);
    }
    return AprsStatus::Position;
}

// "$" and two to five capitals then a comma: a GPS sentence ($GPRMC, ...).
bool isNmeaSentence(std::string_view info)
{
    std::size_t i = 1;
    while (i < info.size() && i <= 6 && (isUpper(info[i]) || isDigit(info[i])))
        ++i;
    return i >= 3 && i < info.size() && info[i] == ',';
}

// Packets without a position whose type character is shared with free
// text, recognised by their whole leading form:
//  ":" a nine-character addressee and ":" (message, bulletin, telemetry
//      definitions);
//  "T#" (telemetry report);
//  "_" and eight digits (weather report without position, MDHM timestamp);
//  "<" and a capital (station capabilities);
//  "?" a capitals-only query name and "?" (queries).
bool hasFormOfNonPosition(std::string_view info)
{
    switch (info[0]) {
    case ':':
        return info.size() >= 11 && info[10] == ':';
    case 'T':
        return startsWith(info, "T#");
    case '_': {
        if (info.size() < 9)
            return false;
        for (std::size_t i = 1; i < 9; ++i) {
            if (!isDigit(info[i]))
                return false;
        }
        return true;
    }
    case '<':
        return info.size() >= 2 && isUpper(info[1]);
    case '?': {
        std::size_t i = 1;
        while (i < info.size() && isUpper(info[i]))
            ++i;
        return i > 1 && i < info.size() && info[i] == '?';
    }
    default:
        return false;
    }
}

// Reads the AX.25 address field at `frame[offset]`: 6 shifted characters
// and the SSID byte. Returns false for characters no callsign holds.
bool readAx25Address(std::string_view frame, std::size_t offset, char (&call)[10],
                     std::size_t &length, unsigned char &ssidByte)
{
    length = 0;
    bool ended = false;
    for (std::size_t i = 0; i < 6; ++i) {
        const unsigned char b = static_cast<unsigned char>(frame[offset + i]);
        if (b & 1)
            return false;
        const char c = char(b >> 1);
        if (c == ' ') {
            ended = true;
            continue;
        }
        if (ended || !(isUpper(c) || isDigit(c)))
            return false;
        call[length++] = c;
    }
    if (length == 0)
        return false;
    ssidByte = static_cast<unsigned char>(frame[offset + 6]);
    const int ssid = (ssidByte >> 1) & 0x0f;
    if (ssid > 0) {
        call[length++] = '-';
        if (ssid >= 10)
            call[length++] = '1';
        call[length++] = char('0' + ssid % 10);
    }
    call[length] = '\0';
    return true;
}

} // namespace

AprsStatus AprsDecoder::decodeTnc2(std::string_view line, AprsPosition &out)
{
    return decodeTnc2Nested(line, out, 0);
}

AprsStatus AprsDecoder::decodeTnc2Nested(std::string_view line, AprsPosition &out, int depth)
{
    resetPosition(out);
    line = stripLineEnd(line);
    const std::size_t gt = line.find('>');
    if (gt == std::string_view::npos)
        return AprsStatus::Rejected;
    const std::size_t colon = line.find(':', gt);
    if (colon == std::string_view::npos)
        return AprsStatus::Rejected;
    const std::string_view source = line.substr(0, gt);
    const std::string_view header = line.substr(gt + 1, colon - gt - 1);
    const std::string_view info = line.substr(colon + 1);

    std::string_view rest = header;
    std::size_t comma = rest.find(',');
    std::string_view destination = rest.substr(0, comma);
    if (destination.empty())
        return AprsStatus::Rejected;
    const std::size_t dash = destination.find('-');
    if (dash != std::string_view::npos)
        destination = destination.substr(0, dash);

    bool heardDirectly = true;
    const std::size_t pathStart = comma == std::string_view::npos ? header.size() : comma + 1;
    std::size_t pathEnd = header.size();
    while (comma != std::string_view::npos) {
        rest = rest.substr(comma + 1);
        comma = rest.find(',');
        const std::string_view element = rest.substr(0, comma);
        if (element.size() == 3 && element[0] == 'q' && element[1] == 'A') {
            // What follows names the gateway, not a repeater.
            pathEnd = std::max(pathStart, std::size_t(element.data() - header.data()) - 1);
            break;
        }
        if (!element.empty() && element.back() == '*')
            heardDirectly = false;
    }
    const std::string_view path = header.substr(pathStart, pathEnd - pathStart);
    const AprsStatus status = decodeInformationNested(source, destination, info, heardDirectly, out, depth);
    // A third-party packet keeps the path of its own header.
    if (info.empty() || info[0] != '}')
        out.path = path;
    return status;
}

AprsStatus AprsDecoder::decodeAx25(std::string_view frame, AprsPosition &out)
{
    resetPosition(out);
    // Destination and source, up to eight digipeaters, control, PID.
    std::size_t offset = 0;
    char destination[10];
    char source[10];
    std::size_t destinationLength = 0;
    std::size_t sourceLength = 0;
    int count = 0;
    bool heardDirectly = true;
    std::size_t pathLength = 0;
    for (;;) {
        if (frame.size() < offset + 7 || count >= 10)
            return AprsStatus::Rejected;
        char call[10];
        std::size_t length = 0;
        unsigned char ssidByte = 0;
        if (!readAx25Address(frame, offset, call, length, ssidByte))
            return AprsStatus::Rejected;
        if (count == 0) {
            // Mic-E reads the six characters without the SSID.
            std::size_t plain = 0;
            while (plain < length && call[plain] != '-')
                ++plain;
            for (std::size_t i = 0; i < plain; ++i)
                destination[i] = call[i];
            destinationLength = plain;
        } else if (count == 1) {
            for (std::size_t i = 0; i <= length; ++i)
                source[i] = call[i];
            sourceLength = length;
        } else {
            // At most 8 digipeaters reach here, each with its
            // has-been-repeated bit.
            if (pathLength > 0)
                out.pathBuffer[pathLength++] = ',';
            for (std::size_t i = 0; i < length; ++i)
                out.pathBuffer[pathLength++] = call[i];
            if (ssidByte & 0x80) {
                out.pathBuffer[pathLength++] = '*';
                heardDirectly = false;
            }
        }
        offset += 7;
        ++count;
        if (ssidByte & 1)
            break; // last address
    }
    if (count < 2)
        return AprsStatus::Rejected;
    if (frame.size() < offset + 2)
        return AprsStatus::Rejected;
    const unsigned char control = static_cast<unsigned char>(frame[offset]);
    const unsigned char pid = static_cast<unsigned char>(frame[offset + 1]);
    if ((control & 0xef) != 0x03 || pid != 0xf0)
        return AprsStatus::Ignored; // not an APRS frame
    const std::string_view info = frame.substr(offset + 2);
    const AprsStatus status = decodeInformationNested({source, sourceLength}, {destination, destinationLength},
                                                      info, heardDirectly, out, 0);
    if (info.empty() || info[0] != '}')
        out.path = {out.pathBuffer, pathLength};
    return status;
}

AprsStatus AprsDecoder::decodeInformation(std::string_view source, std::string_view destination,
                                          std::string_view info, bool heardDirectly,
                                          AprsPosition &out)
{
    resetPosition(out);
    return decodeInformationNested(source, destination, info, heardDirectly, out, 0);
}

AprsStatus AprsDecoder::decodeInformationNested(std::string_view source,
                                                std::string_view destination,
                                                std::string_view info, bool heardDirectly,
                                                AprsPosition &out, int depth)
{
    if (!setStationName(source, out))
        return AprsStatus::Rejected;
    setPacket(source, destination, info, out);
    out.heardDirectly = heardDirectly;
    if (info.empty())
        return AprsStatus::Ignored;

    switch (info[0]) {
    case '!':
    case '=':
        return readPosition(info.substr(1), out);
    case '/':
    case '@':
        if (info.size() < 8)
            return AprsStatus::Rejected;
        return readPosition(info.substr(8), out);
    case '`':
    case '\'':
    case 0x1c: // Mic-E of older units
    case 0x1d:
        return readMicE(destination, info, out);
    case ';': {
        // ";NAME_____*DDHHMMz" then the position; "_" instead of "*" kills.
        if (info.size() < 18)
            return AprsStatus::Rejected;
        const char state = info[10];
        if (state != '*' && state != '_')
            return AprsStatus::Rejected;
        if (!setCleanedName(info.substr(1, 9), AprsPosition::Kind::Object, out))
            return AprsStatus::Rejected;
        out.killed = state == '_';
        return readPosition(info.substr(18), out);
    }
    case ')': {
        // ")NAME!" (live) or ")NAME_" (killed), a name of 3 to 9 characters.
        std::size_t end = 4;
        while (end <= 10 && end < info.size() && info[end] != '!' && info[end] != '_')
            ++end;
        if (end > 10 || end >= info.size())
            return AprsStatus::Rejected;
        if (!setCleanedName(info.substr(1, end - 1), AprsPosition::Kind::Item, out))
            return AprsStatus::Rejected;
        out.killed = info[end] == '_';
        return readPosition(info.substr(end + 1), out);
    }
    case '}': {
        if (depth >= maxThirdPartyDepth)
            return AprsStatus::Rejected;
        // The inner packet reached us through a gateway: not heard directly.
        const AprsStatus status = decodeTnc2Nested(info.substr(1), out, depth + 1);
        out.heardDirectly = false;
        return status;
    }
    case '$':
        if (isNmeaSentence(info))
            return readNmea(info, out);
        break;
    case '>': {
        // A status text, perhaps after a "DDHHMMz" timestamp.
        std::string_view text = info.substr(1);
        if (text.size() >= 7 && text[6] == 'z'
            && std::all_of(text.begin(), text.begin() + 6, isDigit))
            text.remove_prefix(7);
        out.hasPosition = false;
        out.commentPieces[0] = text;
        out.commentPieceCount = text.empty() ? 0 : 1;
        return AprsStatus::Status;
    }
    case '{': // user-defined
    case '#': // weather stations of their own formats
    case '*':
    case ',': // test data
        return AprsStatus::Ignored;
    default:
        // Messages, telemetry, weather reports, capabilities and queries
        // are told by more than their first character: a node's fixed text
        // that merely starts with the same letter ("TheNet ...") is not one.
        if (hasFormOfNonPosition(info))
            return AprsStatus::Ignored;
        break;
    }
    // Some old TNCs put text before the "!" of a position: it may stand
    // anywhere within the first 40 characters.
    const std::size_t bang = info.substr(0, 40).find('!');
    if (bang != std::string_view::npos
        && readPosition(info.substr(bang + 1), out) == AprsStatus::Position)
        return AprsStatus::Position;
    return AprsStatus::Ignored;
}

} // namespace nearbell
