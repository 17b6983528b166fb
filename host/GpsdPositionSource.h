#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <optional>

#include "host/aprs/LineSplitter.h"
#include "host/aprs/NetworkStationSource.h"

namespace nearbell {

// One usable position fix from gpsd.
struct GpsFix
{
    double latitude = 0.0;  // signed minutes of arc, north positive
    double longitude = 0.0; // signed minutes of arc, east positive
    int mode = 0;           // 2 (2D) or 3 (3D)
    // Course over ground, degrees clockwise from true north; none while
    // the receiver does not know it (standing still, or not sent).
    std::optional<double> course;
    // Speed over ground in km/h; none while the receiver does not say.
    std::optional<double> speedKmh;
};

// The own position of a mobile station, from gpsd over its JSON protocol
// ("POSITION=GPSD host:port"). It reuses the network source's connection
// handling (look-up, back-off, state lines) and reports no stations.
//
// Responsibilities:
//  - ask gpsd to watch in JSON on every connection, split what it sends
//    into lines (an overlong line is dropped whole, without holding it) and
//    take TPV reports of mode 2 or 3 with a real position as fixes;
//  - ignore every other report, and fixes with an impossible position or
//    a time far in the future;
//  - signal each fix with positionChanged;
//  - know the fix state: waiting for the first fix, fixed, or lost (mode
//    below 2, no fix for the fix time-out, or gpsd gone), keeping the last
//    fix and its age; announce each change on standard error;
//  - drop a connection that stays silent for the silence limit.
class GpsdPositionSource : public NetworkStationSource
{
    Q_OBJECT
public:
    static constexpr qsizetype maxLineLength = 65536; // gpsd's longest reports are far shorter
    static constexpr int defaultSilenceLimitMs = 60000;
    static constexpr int defaultFixTimeoutMs = 10000;
    // A fix time further ahead of the clock than this is a receiver fault.
    static constexpr qint64 maxFutureSecs = 86400;

    enum class Report { Fix, NoFix, Unusable, Other };

    GpsdPositionSource(const QString &host, quint16 port, QObject *parent = nullptr);

    void start() override;
    StatusPart status() const override;

    void setSilenceLimit(int ms);
    void setFixTimeout(int ms);

    bool hasFix() const { return m_fixed; }
    std::optional<GpsFix> lastFix() const { return m_last; }
    // Milliseconds since the last fix arrived; -1 without one.
    qint64 fixAgeMs() const;
    int unusableReports() const { return m_unusable; }

    // Takes bytes as if read from gpsd (the socket feeds it; tests too).
    void consume(QByteArrayView bytes);

    // What one line of gpsd's output is; fills fix for Report::Fix.
    static Report parseReport(QByteArrayView line, const QDateTime &nowUtc, GpsFix &fix);
    // "45 s", "3 min 5 s", "2 h 10 min".
    static QString ageText(qint64 ms);

signals:
    // Signed minutes of arc, north and east positive.
    void positionChanged(double latitude, double longitude);

protected:
    void onConnected() override;
    void onBytes(QByteArrayView bytes) override;
    void onConnectionLost() override;

private:
    void handleLine(QByteArrayView line);
    void loseFix();
    void say(const QString &text) const;

    LineSplitter m_lines{maxLineLength};
    QTimer m_silence;
    QTimer m_fixTimeout;
    std::optional<GpsFix> m_last;
    QElapsedTimer m_lastFixAt;
    bool m_fixed = false;
    int m_unusable = 0;
};

} // namespace nearbell
