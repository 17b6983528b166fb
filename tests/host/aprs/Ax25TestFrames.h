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

} // namespace nearbell::test
