#pragma once

#include "host/aprs/KissReportStream.h"
#include "host/aprs/NetworkStationSource.h"

namespace nearbell {

// Stations heard by a KISS TNC reached over TCP (a soundcard TNC, a TNC
// server), from the setting "KISS host:port".
//
// Responsibilities:
//  - read KISS data frames from every TNC channel and decode the APRS UI
//    frames among them into reports;
//  - signal a batch after each read that delivered reports;
//  - receive only: nothing is ever sent to the TNC.
class KissSource : public NetworkStationSource
{
    Q_OBJECT
public:
    KissSource(const QString &host, quint16 port, QObject *parent = nullptr);

    // Decodes bytes as if read from the TNC (the socket feeds it; also used
    // for measurements).
    void consume(QByteArrayView bytes);

protected:
    void onBytes(QByteArrayView bytes) override;
    void onConnectionLost() override;

private:
    KissReportStream m_stream;
};

} // namespace nearbell
