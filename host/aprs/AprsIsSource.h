#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTimer>

#include "host/HostSettings.h"
#include "host/aprs/LineSplitter.h"
#include "host/aprs/NetworkStationSource.h"

namespace nearbell {

// Stations from an APRS-IS server, from the setting "APRSIS host:port".
//
// Responsibilities:
//  - log in receive-only ("pass -1") with the own callsign and a range
//    filter around the own position, or the filter text of the settings,
//    followed by the watched callsigns as a buddy list;
//  - set a new filter on the open connection ("#filter ...") when the own
//    position has moved more than a tenth of the range since the filter was
//    last set, and when the watched callsigns change;
//  - split the feed into CR LF lines taken as bytes, skip server comments
//    ("#"), drop overlong lines, decode the rest into reports;
//  - treat any line as proof of life and drop a connection that stays
//    silent for the silence limit (120 s), so that it is made again;
//  - send nothing but the login and filter lines; callsigns that could
//    change the filter's meaning are left out of it;
//  - say on standard error how many watched callsigns the filter had no
//    room for (the host puts it on the status line).
class AprsIsSource : public NetworkStationSource
{
    Q_OBJECT
public:
    static constexpr int defaultSilenceLimitMs = 120000;
    // Longest line taken, without its CR LF; the servers send no longer ones.
    static constexpr qsizetype maxLineLength = 512;

    AprsIsSource(const QString &host, quint16 port, const HostSettings &settings,
                 QObject *parent = nullptr);

    // Longest filter text sent; buddies beyond it are left out.
    static constexpr qsizetype maxFilterLength = 400;

    // "user CALL pass -1 vers Nearbell x.y.z filter ..." without line end.
    static QByteArray loginLine(const HostSettings &settings,
                                const QStringList &watched = QStringList());
    // The filter: "r/LAT/LON/KM" around the own position (or the settings'
    // filter text), then "b/CALL1/CALL2/..." for the watched callsigns;
    // empty when there is neither.
    // leftOut, when given, hears how many watched callsigns did not fit.
    static QByteArray filterText(const HostSettings &settings, const QStringList &watched,
                                 int *leftOut = nullptr);
    // The watched callsigns a buddy filter may name: letters, digits and
    // "-", 1 to 9 characters, each once, in the order given.
    static QStringList buddyCallsigns(const QStringList &watched);

    // The own position moved (signed minutes of arc).
    void setOwnPosition(double latitude, double longitude);
    // The set-up changed: a new filter text or range is sent at once, a
    // moved own position as setOwnPosition sends it; every later login
    // uses the new set-up.
    void applySettings(const HostSettings &settings);
    // How many watched callsigns the last filter had no room for.
    int buddiesLeftOut() const { return m_leftOut; }
    // The watch list changed.
    void setWatchedCallsigns(const QStringList &callsigns);
    // The filter last sent, at login or since.
    QByteArray currentFilter() const { return m_sentFilter; }

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

    void sendFilter();
    QByteArray currentFilterText();

    HostSettings m_settings;
    QStringList m_watched;
    QByteArray m_sentFilter;
    int m_leftOut = 0;
    // The own position the filter was last set around.
    bool m_filterPlaced = false;
    double m_filterLatitude = 0.0;
    double m_filterLongitude = 0.0;
    LineSplitter m_lines{maxLineLength + 1}; // +1: the CR
    QTimer m_silence;
};

} // namespace nearbell
