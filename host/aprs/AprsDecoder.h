#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace nearbell {

// What one decoded packet says about a position, in fixed storage so that
// decoding allocates nothing.
struct AprsPosition
{
    enum class Kind : std::uint8_t { Station, Object, Item };

    static constexpr int maxNameLength = 9;

    char nameBuffer[maxNameLength + 1] = {}; // station callsign or cleaned object/item name
    std::uint8_t nameLength = 0;
    Kind kind = Kind::Station;
    bool killed = false;        // a killed object or item
    bool heardDirectly = false; // no digipeater repeated the frame
    char symbolTable = '/';
    char symbolCode = '/';
    double latitude = 0.0;  // signed minutes of arc, north positive
    double longitude = 0.0; // signed minutes of arc, east positive

    // The packet itself, to tell it from a copy that took another path: its
    // sender, its destination (without SSID) and its information field. The
    // field is a view into the decoded bytes, valid only while they are.
    char originBuffer[maxNameLength + 1] = {};
    std::uint8_t originLength = 0;
    char destinationBuffer[maxNameLength + 1] = {};
    std::uint8_t destinationLength = 0;
    std::string_view information;

    // What the packet says beside the position; NaN while it says nothing.
    static constexpr double unknown = std::numeric_limits<double>::quiet_NaN();
    double course = unknown;    // degrees true, 1..360 (360 is north)
    double speedKmh = unknown;
    double altitudeM = unknown;
    // False for a status text: a report of the station without a place.
    bool hasPosition = true;
    // The comment (the status text of a status packet) as up to three
    // pieces of the information field: what is left when the extensions
    // read above (data extension, altitude, "!DAO!") are taken out. Views,
    // valid while the bytes are.
    static constexpr int maxCommentPieces = 3;
    std::string_view commentPieces[maxCommentPieces] = {};
    std::uint8_t commentPieceCount = 0;
    // The digipeaters of the path as the header gives them, comma-separated,
    // "*" after one that repeated the packet (a monitor line marks only the
    // last of them). A view into the line, or into pathBuffer for a frame.
    std::string_view path;
    static constexpr int maxPathElements = 8;
    char pathBuffer[maxPathElements * (maxNameLength + 2)];

    std::string_view name() const { return {nameBuffer, nameLength}; }
    std::string_view origin() const { return {originBuffer, originLength}; }
    std::string_view destination() const { return {destinationBuffer, destinationLength}; }
};

// Outcome of decoding one packet.
enum class AprsStatus : std::uint8_t {
    Position, // a position was decoded into the AprsPosition
    Status,   // a status text: the station's report without a place (hasPosition false)
    Ignored,  // a well-formed packet that carries no position (message, telemetry, ...)
    Rejected, // malformed: bad header, bad digits, position off the globe
};

// Decodes APRS packets into positions.
//
// Responsibilities:
//  - take a TNC2 monitor line ("SRC>DEST,PATH:info") or an AX.25 UI frame
//    as raw bytes (any byte value, NUL included) and decode its information
//    field: uncompressed and compressed positions with or without
//    timestamp, Mic-E, objects, items, third-party traffic and raw GPS
//    sentences;
//  - read what the packet says beside the place: course and speed (data
//    extension, compressed bytes, Mic-E, $GPRMC), altitude ("/A=", compressed,
//    Mic-E, $GPGGA), the comment without what was read from it, the status
//    text of a status packet and the digipeater path. A value the packet
//    does not give, or gives as unknown (course 000, blanks), stays NaN;
//  - tell positions from packets that carry none and from malformed ones,
//    so that nothing invalid is ever stored;
//  - work without allocating and without any Qt dependency, so that it can
//    run on a full network feed and under a fuzzer.
class AprsDecoder
{
public:
    // A TNC2 monitor line; trailing CR/LF are ignored. Directly heard means
    // no path element before the APRS-IS "qA" construct is marked "*".
    static AprsStatus decodeTnc2(std::string_view line, AprsPosition &out);

    // An AX.25 frame without flags and FCS (as carried by KISS). Only UI
    // frames with PID 0xF0 are APRS; other frames are ignored.
    static AprsStatus decodeAx25(std::string_view frame, AprsPosition &out);

    // The information field of a packet from `source` to `destination`
    // (destination without SSID; Mic-E reads its latitude from it).
    static AprsStatus decodeInformation(std::string_view source, std::string_view destination,
                                        std::string_view info, bool heardDirectly,
                                        AprsPosition &out);

private:
    static AprsStatus decodeTnc2Nested(std::string_view line, AprsPosition &out, int depth);
    static AprsStatus decodeInformationNested(std::string_view source,
                                              std::string_view destination,
                                              std::string_view info, bool heardDirectly,
                                              AprsPosition &out, int depth);
};

} // namespace nearbell
