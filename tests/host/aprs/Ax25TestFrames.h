#pragma once

#include <QByteArray>

namespace nearbell::test {

// One AX.25 address field as a TNC sends it: six characters shifted left by
// one bit, then the SSID byte with the last-address and has-been-repeated bits.
inline QByteArray ax25Address(const QByteArray &call, int ssid, bool last, bool repeated = false)
{
    QByteArray out;
    for (int i = 0; i < 6; ++i)
        out.append(char((i < call.size() ? call.at(i) : ' ') << 1));
    out.append(char(0x60 | (ssid << 1) | (last ? 1 : 0) | (repeated ? 0x80 : 0)));
    return out;
}

// A KISS data frame on channel 0 carrying an APRS UI frame.
inline QByteArray kissFrame(const QByteArray &source, bool viaDigipeater, const QByteArray &info,
                            const QByteArray &destination = "APRS")
{
    QByteArray ax25 = ax25Address(destination, 0, false) + ax25Address(source, 0, !viaDigipeater);
    if (viaDigipeater)
        ax25 += ax25Address("DIGI", 1, true, true);
    ax25 += QByteArray("\x03\xf0", 2) + info;
    QByteArray out(1, char(0xc0));
    out.append(char(0x00));
    for (char c : ax25) {
        if (c == char(0xc0))
            out.append("\xdb\xdc", 2);
        else if (c == char(0xdb))
            out.append("\xdb\xdd", 2);
        else
            out.append(c);
    }
    out.append(char(0xc0));
    return out;
}

} // namespace nearbell::test
