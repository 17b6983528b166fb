#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace nearbell {

// Cuts a KISS byte stream into AX.25 frames.
//
// Responsibilities:
//  - undo the KISS framing (FEND delimits, FESC TFEND / FESC TFESC escape);
//  - pass on data frames only (command 0 in the low nibble of the first
//    byte), with the TNC channel from its high nibble;
//  - drop frames longer than maxFrameLength and frames with a broken
//    escape, and find the next frame at the next FEND;
//  - hold partial frames across reads, in fixed storage (no allocation).
class KissDeframer
{
public:
    static constexpr unsigned char fend = 0xc0;
    static constexpr unsigned char fesc = 0xdb;
    static constexpr unsigned char tfend = 0xdc;
    static constexpr unsigned char tfesc = 0xdd;
    // Longest AX.25 frame taken, without the KISS command byte.
    static constexpr std::size_t maxFrameLength = 2048;

    // Feeds received bytes; calls onFrame(int channel, std::string_view frame)
    // for each complete data frame. The view is valid during the call only.
    template <typename OnFrame>
    void feed(std::string_view bytes, OnFrame &&onFrame)
    {
        for (char ch : bytes) {
            const auto b = static_cast<unsigned char>(ch);
            if (b == fend) {
                if (m_inFrame && !m_broken && m_length > 1) {
                    const auto type = static_cast<unsigned char>(m_buffer[0]);
                    if ((type & 0x0f) == 0)
                        onFrame(int(type >> 4), std::string_view(m_buffer.data() + 1, m_length - 1));
                }
                if (m_inFrame && m_broken)
                    ++m_dropped;
                m_inFrame = true;
                m_broken = false;
                m_escape = false;
                m_length = 0;
                continue;
            }
            if (!m_inFrame || m_broken)
                continue; // waiting for the next FEND
            if (m_escape) {
                m_escape = false;
                if (b == tfend)
                    append(char(fend));
                else if (b == tfesc)
                    append(char(fesc));
                else
                    m_broken = true;
            } else if (b == fesc) {
                m_escape = true;
            } else {
                append(ch);
            }
        }
    }

    // Forgets a partial frame (after a lost connection).
    void reset();

    // Frames thrown away as too long or badly escaped, since construction.
    std::size_t droppedFrames() const { return m_dropped; }

private:
    void append(char c)
    {
        if (m_length >= m_buffer.size())
            m_broken = true;
        else
            m_buffer[m_length++] = c;
    }

    std::array<char, maxFrameLength + 1> m_buffer{}; // command byte + frame
    std::size_t m_length = 0;
    std::size_t m_dropped = 0;
    bool m_inFrame = false;
    bool m_escape = false;
    bool m_broken = false;
};

} // namespace nearbell
