#pragma once

#include <cstdint>
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

    std::string_view name() const { return {nameBuffer, nameLength}; }
    std::string_view origin() const { return {originBuffer, originLength}; }
    std::string_view destination() const { return {destinationBuffer, destinationLength}; }
};

// Outcome of decoding one packet.
enum class AprsStatus : std::uint8_t {
    Position, // a position was decoded into the AprsPosition
    Ignored,  // a well-formed packet that carries no position (message, status, ...)
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
