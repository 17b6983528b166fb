#pragma once

#include <QByteArrayView>

#include <string_view>

#include "host/StationReport.h"
#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsReport.h"
#include "host/aprs/KissDeframer.h"

namespace nearbell {

// The byte stream of a KISS TNC, whatever carries it (TCP, a serial port).
//
// Responsibilities:
//  - cut the stream into KISS data frames (KissDeframer: data frames only,
//    frames over 2,048 bytes dropped) and decode the APRS UI frames among
//    them into station reports;
//  - forget a partial frame when the carrier is lost.
class KissReportStream
{
public:
    // Calls onReport(const StationReport &) for each position decoded from
    // bytes; returns whether there was any.
    template <typename OnReport>
    bool feed(QByteArrayView bytes, OnReport &&onReport)
    {
        bool delivered = false;
        m_deframer.feed(std::string_view(bytes.data(), std::size_t(bytes.size())),
                        [&onReport, &delivered](int, std::string_view frame) {
                            AprsPosition position;
                            if (isReport(AprsDecoder::decodeAx25(frame, position))) {
                                onReport(toStationReport(position));
                                delivered = true;
                            }
                        });
        return delivered;
    }

    void reset() { m_deframer.reset(); }
    std::size_t droppedFrames() const { return m_deframer.droppedFrames(); }

private:
    KissDeframer m_deframer;
};

} // namespace nearbell
