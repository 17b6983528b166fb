// libFuzzer target: a KISS byte stream, cut into two reads at a point the
// first byte chooses, through the deframer and the AX.25 decoder.

#include "host/aprs/AprsDecoder.h"
#include "host/aprs/KissDeframer.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    using namespace nearbell;
    if (size == 0)
        return 0;
    const std::string_view input(reinterpret_cast<const char *>(data + 1), size - 1);
    const std::size_t cut = input.empty() ? 0 : data[0] % (input.size() + 1);
    KissDeframer deframer;
    const auto onFrame = [](int channel, std::string_view frame) {
        if (frame.size() > KissDeframer::maxFrameLength || channel < 0 || channel > 15)
            __builtin_trap();
        AprsPosition position;
        if (AprsDecoder::decodeAx25(frame, position) == AprsStatus::Position) {
            if (!(position.latitude >= -5400.0 && position.latitude <= 5400.0)
                || !(position.longitude >= -10800.0 && position.longitude <= 10800.0)
                || position.name().empty())
                __builtin_trap();
        }
    };
    deframer.feed(input.substr(0, cut), onFrame);
    deframer.feed(input.substr(cut), onFrame);
    return 0;
}
