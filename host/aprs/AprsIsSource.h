#pragma once

#include <QByteArray>
#include <QTimer>

#include "host/HostSettings.h"
#include "host/aprs/NetworkStationSource.h"

namespace nearbell {

// Stations from an APRS-IS server, from the setting "APRSIS host:port".
//
// Responsibilities:
//  - log in receive-only ("pass -1") with the own callsign and a range
//    filter around the own position, or the filter text of the settings;
//  - split the feed into CR LF lines taken as bytes, skip server comments
//    ("#"), drop overlong lines, decode the rest into reports;
//  - treat any line as proof of life and drop a connection that stays
//    silent for the silence limit (120 s), so that it is made again;
//  - send nothing but the login line.
class AprsIsSource : public NetworkStationSource
{
    Q_OBJECT
public:
    static constexpr int defaultSilenceLimitMs = 120000;
    // Longest line taken, without its CR LF; the servers send no longer ones.
    static constexpr qsizetype maxLineLength = 512;

    AprsIsSource(const QString &host, quint16 port, const HostSettings &settings,
                 QObject *parent = nullptr);

    // "user CALL pass -1 vers Nearbell x.y.z filter ..." without line end.
    static QByteArray loginLine(const HostSettings &settings);

    void setSilenceLimit(int ms);

    // Takes bytes as if read from the server (the socket feeds it; also used
    // for measurements).
    void consume(QByteArrayView bytes);

protected:
    void onConnected() override;
    void onBytes(QByteArrayView bytes) override;
    void onConnectionLost() override;

private:
    // Returns true when the line gave a report.
    bool handleLine(QByteArrayView line);

    QByteArray m_login;
    QByteArray m_partial;
    bool m_discarding = false; // inside an overlong line, until its end
    QTimer m_silence;
};

} // namespace nearbell
