// libFuzzer target: TNC2 monitor lines into the APRS decoder. Besides
// crashes and out-of-bounds reads (the sanitizers), it traps on a decoded
// position that breaks what the station table relies on.

#include "host/aprs/AprsDecoder.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace nearbell;
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    AprsPosition position;
    if (AprsDecoder::decodeTnc2(input, position) == AprsStatus::Position) {
        if (!(position.latitude >= -5400.0 && position.latitude <= 5400.0)
            || !(position.longitude >= -10800.0 && position.longitude <= 10800.0))
            __builtin_trap();
        // Motion is unknown or a real value: a course of 1 to 360, no
        // negative speed; every piece of the comment lies inside the input.
        if (!std::isnan(position.course) && !(position.course >= 1.0 && position.course <= 360.0))
            __builtin_trap();
        if (!std::isnan(position.speedKmh) && !(position.speedKmh >= 0.0))
            __builtin_trap();
        for (int i = 0; i < position.commentPieceCount; ++i) {
            const std::string_view piece = position.commentPieces[i];
            if (piece.data() < input.data() || piece.data() + piece.size() > input.data() + input.size())
                __builtin_trap();
        }
        const std::string_view name = position.name();
        if (name.empty() || name.size() > std::size_t(AprsPosition::maxNameLength)
            || name.find(' ') != std::string_view::npos)
            __builtin_trap();
    }
    // The same bytes as an information field, with a Mic-E destination
    // taken from the front of the input.
    if (size > 6)
        AprsDecoder::decodeInformation("N0CALL", input.substr(0, 6), input.substr(6), true, position);
    return 0;
}
